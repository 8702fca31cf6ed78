#include "app/Ostrela.h"

#include "app/ProgramFolder.h"
#include "platform/DispatchInterface.h"
#include "tasks/OstrelaDlg.h"

#include <QEventLoop>
#include <QLibrary>
#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

COstrelaApp theApp;

namespace {

// SIGTERM, SIGINT and SIGHUP (the session ends) close the program by its
// normal path instead of killing it mid-conversion: every open dialog is
// closed as by Escape, innermost first and the main window last, so a running
// conversion ends as on STOP (encoders ended, unfinished outputs removed,
// users' files put back). The first signal restores the default action, so a
// second one ends the program at once should closing hang.
class CloseOnSignal {
public:
    CloseOnSignal() {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        writeEnd = fds[1];
        notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char drained[16];
            while (::read(fds[0], drained, sizeof drained) > 0) {
            }
            CloseDialogs();
        });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int i = 0; i < kCount; ++i)
            ::sigaction(kSignals[i], &action, &previous[i]);
    }
    ~CloseOnSignal() {
        if (!notifier)
            return;
        for (int i = 0; i < kCount; ++i)
            ::sigaction(kSignals[i], &previous[i], nullptr);
        notifier.reset();
        writeEnd = -1;
        ::close(fds[0]);
        ::close(fds[1]);
    }
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

private:
    static void CloseDialogs() {
        QWidget* closed = nullptr;
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == closed)
                break; // it would not close
            closed = modal;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        // The main window, when it does not run modally.
        if (COstrelaDlg* main = AfxGetMainDlg(); main && main->isVisible())
            main->reject();
    }

    static constexpr int kCount = 3;
    static constexpr int kSignals[kCount] = {SIGTERM, SIGINT, SIGHUP};
    static inline volatile sig_atomic_t writeEnd = -1;
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous[kCount] {};
};

} // namespace

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
        CloseOnSignal closeOnSignal;
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
