#pragma once
// The application object: where the program begins and ends. One global,
// `theApp`, built during static initialisation; main() calls InitInstance,
// which registers and starts the skin and runs the main window modally, then
// ExitInstance, whose result is the process exit code.

#include "app/SkinCrafter.h"

#include <QString>
#include <QStringList>

class COstrelaDlg;

class COstrelaApp {
public:
    COstrelaApp() = default;
    virtual ~COstrelaApp() = default;
    COstrelaApp(const COstrelaApp&) = delete;
    COstrelaApp& operator=(const COstrelaApp&) = delete;

    // Runs the whole program; always false, as no message loop of its own follows.
    virtual bool InitInstance();
    // Closes the skin; the result becomes the exit code.
    virtual int ExitInstance();

    // Registers "SkinCrafter.dll" from the program folder, on every start.
    bool RegisterSkinLibrary();
    // Loads the library, runs its "DllRegisterServer" and unloads it again;
    // true only when that export exists and returns 0.
    bool RegisterComServer(QString path);

    // Files named on the command line, added to the task list as the main
    // window opens, as Add Files adds them.
    QStringList startFiles;

    // The skin component, for the whole run; empty when it cannot be created.
    CSkinDriver& skin = ProgramSkin();

    // The running main window, or null outside its life. Tests may set it.
    COstrelaDlg* m_pMainWnd = nullptr;
};

extern COstrelaApp theApp;

// The application's main window (the dialogs reach the task list and the
// output settings through it).
COstrelaDlg* AfxGetMainDlg();
