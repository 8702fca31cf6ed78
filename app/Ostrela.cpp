#include "app/Ostrela.h"

#include "app/ProgramFolder.h"
#include "platform/DispatchInterface.h"
#include "tasks/OstrelaDlg.h"

#include <QEventLoop>
#include <QLibrary>

COstrelaApp theApp;

COstrelaDlg* AfxGetMainDlg() {
    return theApp.m_pMainWnd;
}

bool COstrelaApp::InitInstance() {
    // COM, OLE, the control container, 3-D controls and rich edit have no
    // counterpart here; start-up begins with the skin. No step's result is
    // looked at and none shows a message: without a skin the program simply
    // keeps the platform's look.
    RegisterSkinLibrary();
    skin.CreateDispatch(QStringLiteral("SkinCrafter.SCSkin"));
    skin.SetSkinOption17(0);
    skin.SetSkinOption1(1);
    skin.OpenSkinFile(GetProgramFolder() + QStringLiteral("lumora.skf"));
    // Before any window exists, so every window of the program is skinned.
    skin.ActivateSkin();

    {
        COstrelaDlg dlg;
        m_pMainWnd = &dlg;
        // Shown as an ordinary window with a loop of its own rather than by
        // exec(): window managers refuse to minimise a modal dialog.
        QEventLoop loop;
        QObject::connect(&dlg, &QDialog::finished, &loop, &QEventLoop::quit);
        dlg.show();
        dlg.AddFiles(startFiles);
        if (dlg.isVisible())
            loop.exec(QEventLoop::DialogExec);
        // Cleared before the window goes, so nothing reaches a half-destroyed one.
        m_pMainWnd = nullptr;
    }
    return false;
}

int COstrelaApp::ExitInstance() {
    skin.CloseSkin();
    return 0;
}

bool COstrelaApp::RegisterSkinLibrary() {
    return RegisterComServer(GetProgramFolder() + QStringLiteral("SkinCrafter.dll"));
}

bool COstrelaApp::RegisterComServer(QString path) {
    QLibrary library(path);
    if (!library.load())
        return false;
    const auto registerServer =
        reinterpret_cast<OstrelaRegisterServerFn>(library.resolve(OSTRELA_REGISTER_SERVER_EXPORT));
    const bool registered = registerServer && registerServer() == OSTRELA_S_OK;
    library.unload();
    return registered;
}
