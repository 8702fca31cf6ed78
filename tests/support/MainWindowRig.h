#pragma once
// The main window in a program folder of the test's own, boxes and shell recorded.

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

namespace testing_support {

class MainWindowRig {
public:
    MainWindowRig() { theApp.m_pMainWnd = &main; }
    ~MainWindowRig() { theApp.m_pMainWnd = nullptr; }
    MainWindowRig(const MainWindowRig&) = delete;
    MainWindowRig& operator=(const MainWindowRig&) = delete;

    bool LinkEncoder() { return QFile::link(BinDir() + "vexa.exe", program.filePath("vexa.exe")); }
    void SetOutputFolder(const QString& folder) {
        GetDlgItemAs<QLineEdit>(&main, IDC_OUTPUT_PATH)->setText(folder);
    }

    QTemporaryDir program;
    ProgramFolderOverride programFolder{program.path()};
    COstrelaDlg main;
    MessageBoxRecorder boxes;
    ShellRecorder shell;
};

} // namespace testing_support
