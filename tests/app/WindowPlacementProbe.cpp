// Runs the program's main window with the skin on the X display named by
// DISPLAY (the xcb platform) and prints, one line each, where the window really
// stands and where its pop-ups open next to where they belong:
//   <what> <x> <y> <expected x> <expected y>
// The program folder is the first argument. WindowPlacementTest reads the lines.

#include "app/Ostrela.h"
#include "platform/FileSystem.h"
#include "tasks/FileDropListCtrl.h"
#include "tasks/OstrelaDlg.h"
#include "ui/FolderDlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdio>
#include <xcb/xcb.h>

namespace {

// Where the X server has the window's top-left corner, whatever Qt believes.
QPoint RealPosition(QWidget* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {-9999, -9999};
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* reply = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, xcb_window_t(window->winId()), root, 0, 0), nullptr);
    if (!reply)
        return {-9999, -9999};
    const QPoint p(reply->dst_x, reply->dst_y);
    free(reply);
    return p;
}

void Print(const char* what, const QPoint& at, const QPoint& expected) {
    std::printf("%s %d %d %d %d\n", what, at.x(), at.y(), expected.x(), expected.y());
    std::fflush(stdout);
}

// Runs `open`, which opens a pop-up and may block in its loop; the pop-up that
// shows is reported against `expected` and closed.
void Popup(const char* what, const QPoint& expected, const std::function<void()>& open) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup || seen)
            return;
        seen = true;
        QTest::qWait(200);
        Print(what, RealPosition(popup), expected);
        popup->close();
    });
    poll.start();
    open();
    for (int i = 0; i < 100 && !seen; ++i)
        QTest::qWait(20);
    if (!seen)
        Print(what, {-9999, -9999}, expected);
}

void Probe(COstrelaDlg* dlg) {
    QTest::qWait(1000); // the window manager maps, reparents and places the window
    const QPoint real = RealPosition(dlg);
    std::printf("skinned %d\n",
                dlg->findChild<QWidget*>(QStringLiteral("skinCaptionStrip")) ? 1 : 0);
    Print("window", dlg->mapToGlobal(QPoint(0, 0)), real);

    QMenuBar* bar = dlg->menuBar;
    QAction* first = bar->actions().value(0);
    const QRect item = bar->actionGeometry(first);
    Popup("menu", real + bar->mapTo(dlg, item.bottomLeft()) + QPoint(0, 1),
          [&] { QTest::mouseClick(bar, Qt::LeftButton, {}, item.center()); });

    QWidget* list = dlg->taskList->viewport();
    const QPoint click(30, 30);
    Popup("context", real + list->mapTo(dlg, click), [&] {
        QTest::mousePress(list, Qt::RightButton, {}, click);
        QTest::mouseRelease(list, Qt::RightButton, {}, click);
    });

    // The folder picker stands centred on the window.
    QPoint picker(-9999, -9999), pickerCentre;
    CFolderDialog::SetOnShow([&](CFolderBrowseWindow* w) {
        QTimer::singleShot(1000, w, [&, w] {
            picker = RealPosition(w);
            pickerCentre = picker + QPoint(w->width() / 2, w->height() / 2);
            w->reject();
        });
    });
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
        if (b->text().contains(QLatin1String("Browse"))) {
            b->click();
            break;
        }
    CFolderDialog::SetOnShow({});
    Print("picker", pickerCentre, real + QPoint(dlg->width() / 2, dlg->height() / 2));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    QApplication app(argc, argv);
    SetModuleFileNameForTesting(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ostrela"));
    QTimer poll;
    poll.setInterval(20);
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        COstrelaDlg* dlg = AfxGetMainDlg();
        if (done || !dlg || !dlg->isVisible())
            return;
        done = true;
        poll.stop();
        Probe(dlg);
        dlg->reject();
    });
    poll.start();
    theApp.InitInstance();
    theApp.ExitInstance();
    return done ? 0 : 1;
}
