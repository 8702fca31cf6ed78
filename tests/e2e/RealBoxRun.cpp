// The program on an X server of its own with the real encoder and real message
// boxes, whose event loops run while the runners end: one task at a time, a
// source gone, several at once, STOP. Exits 0 when the boxes were as expected.

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "convert/StatusDlg.h"
#include "platform/DialogManager.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

struct Round {
    QStringList files;
    bool severalAtOnce = false;
    bool pressStop = false;
    QStringList expected; // captions of the boxes, in order
};

int main(int argc, char** argv) {
    const testing_support::XServer x; // ended after the application
    if (x.display.isEmpty()) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    qputenv("DISPLAY", x.display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);

    QTemporaryDir work;
    const QString program = work.filePath("program");
    const QString clip = work.filePath("clip one.avi");
    const QString gone = work.filePath("gone.avi");
    if (!config.isValid() || !work.isValid() || !QDir().mkpath(program) ||
        !QFile::link(testing_support::BinDir() + "vexa.exe", program + "/vexa.exe") ||
        !testing_support::MakeMedia(clip, 3.0) || !QFile::copy(clip, gone)) {
        std::fprintf(stderr, "could not set up\n");
        return 2;
    }
    SetModuleFileNameForTesting(program + "/ostrela");
    SetShellHandler([](const ShellRequest&) { return true; });

    std::vector<Round> rounds{
        {{clip, clip}, false, false, {"Congratulations!"}},
        {{clip, gone}, false, false, {"WARNING"}},
        {{clip, clip, clip}, true, false, {"Congratulations!"}},
        {{clip, clip}, false, true, {"Question"}},
    };
    QStringList seen;
    bool stopPending = false;
    QPointer<QMessageBox> answering;
    // Runs in every event loop, the boxes' own included.
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box != answering) {
            answering = box;
            seen << box->windowTitle();
            std::printf("box %s: %s\n", qPrintable(box->windowTitle()),
                        qPrintable(box->text().section('\n', 0, 0)));
            std::fflush(stdout);
            QTimer::singleShot(300, box, [box] {
                QAbstractButton* button = box->defaultButton();
                (button ? button : box->buttons().value(0))->click();
            });
        }
        auto* dlg = qobject_cast<CStatusDlg*>(modal);
        if (stopPending && dlg && dlg->windowTitle().startsWith("Converting  ")) {
            stopPending = false;
            // From the loop, not from this watch, which must see the question.
            QTimer::singleShot(0, dlg,
                               [dlg] { GetDlgItemAs<QPushButton>(dlg, IDC_STOP)->click(); });
        }
    });
    watch.start();

    bool ok = true;
    QTimer start;
    start.setInterval(20);
    QObject::connect(&start, &QTimer::timeout, [&] {
        COstrelaDlg* dlg = AfxGetMainDlg();
        if (!dlg || !dlg->isVisible())
            return;
        start.stop();
        GetDlgItemAs<QLineEdit>(dlg, IDC_OUTPUT_PATH)->setText(work.filePath("out"));
        for (const Round& round : rounds) {
            dlg->OnCommand(ID_OPERATION_DELETE_ALL);
            for (const QString& file : round.files)
                dlg->AddFile(file);
            if (round.files.contains(gone))
                QFile::remove(gone); // after it was added
            if (round.severalAtOnce != (dlg->SimultaneousEncoders() > 1))
                dlg->OnCommand(ID_OPERATION_SIMULTANEOUS);
            stopPending = round.pressStop;
            seen.clear();
            dlg->OnCommand(IDC_CONVERT);
            // STOP may find the conversion ended under its question, announced after it.
            QStringList expected = round.expected;
            if (round.pressStop && seen.size() == 2)
                expected << "Congratulations!";
            if (seen != expected) {
                std::printf("expected %s, saw %s\n", qPrintable(expected.join(", ")),
                            qPrintable(seen.join(", ")));
                ok = false;
            }
        }
        dlg->reject();
    });
    start.start();
    theApp.InitInstance();
    theApp.ExitInstance();
    std::printf("%s\n", ok ? "all boxes as expected" : "FAILED");
    return ok ? 0 : 1;
}
