// Runs the program from an unpacked package's program folder, where this
// driver was copied: converts one video and chooses Exit. Exits 0 when the
// libraries came from that folder and the one box was "Congratulations!".

#include "app/Ostrela.h"
#include "app/ProgramFolder.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <dlfcn.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: PackagedRun <video> <output folder>\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const QString video = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&GetProgramFolder), &info);
    const QString loaded = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
    const QString own = QFileInfo(GetProgramFolder() + "libostrela_core.so").canonicalFilePath();
    if (loaded.isEmpty() || loaded != own) {
        std::fprintf(stderr, "core library loaded from %s, not %s\n", qPrintable(loaded),
                     qPrintable(own));
        return 1;
    }

    QStringList captions;
    SetMessageBoxResponder([&](const MessageBoxRequest& box) {
        captions << box.caption;
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(box.caption), qPrintable(box.text));
        return IDOK;
    });
    SetShellHandler([](const ShellRequest&) { return true; }); // opens nothing

    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        COstrelaDlg* main = theApp.m_pMainWnd;
        if (!main || !main->isVisible())
            return;
        poll.stop();
        main->AddFile(video);
        GetDlgItemAs<QLineEdit>(main, IDC_OUTPUT_PATH)->setText(output);
        main->OnCommand(IDC_CONVERT);
        main->OnCommand(ID_SYSTEM_EXIT);
    });
    poll.start();
    QTimer::singleShot(60000, [] {
        std::fprintf(stderr, "the program did not finish in time\n");
        std::_Exit(3);
    });

    theApp.InitInstance();
    const int rc = theApp.ExitInstance();
    if (captions != QStringList{"Congratulations!"}) {
        std::fprintf(stderr, "boxes shown: %s\n", qPrintable(captions.join(", ")));
        return 1;
    }
    return rc;
}
