// The skinned main window on DISPLAY: where it and its pop-ups stand, and
// minimising it. Prints what is wrong and exits with 1 then.

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "platform/DialogManager.h"
#include "platform/FileSystem.h"
#include "res/Resource.h"
#include "tasks/FileDropListCtrl.h"
#include "tasks/OstrelaDlg.h"
#include "ui/FolderDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdio>
#include <cstring>
#include <functional>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* X() {
    return qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t Root() {
    return xcb_setup_roots_iterator(xcb_get_setup(X())).data->root;
}

// Where the X server has the window's top-left corner, whatever Qt believes.
QPoint RealPosition(QWidget* window) {
    auto* reply = xcb_translate_coordinates_reply(
        X(), xcb_translate_coordinates(X(), xcb_window_t(window->winId()), Root(), 0, 0), nullptr);
    const QPoint p = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-9999, -9999);
    free(reply);
    return p;
}

xcb_atom_t Atom(const char* name) {
    auto* r =
        xcb_intern_atom_reply(X(), xcb_intern_atom(X(), 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return atom;
}

QList<uint32_t> Property(QWidget* window, const char* name) {
    auto* r = xcb_get_property_reply(
        X(),
        xcb_get_property(X(), 0, xcb_window_t(window->winId()), Atom(name), XCB_ATOM_ANY, 0, 64),
        nullptr);
    QList<uint32_t> values;
    const auto* data = r ? static_cast<const uint32_t*>(xcb_get_property_value(r)) : nullptr;
    for (int i = 0; r && r->format == 32 && i < xcb_get_property_value_length(r) / 4; ++i)
        values << data[i];
    free(r);
    return values;
}

// What a task bar sends when the user clicks the window's entry.
void ActivateAsTaskBar(QWidget* window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = Atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2; // from a pager or task bar
    xcb_send_event(X(), 0, Root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(X());
}

bool failed = false;

void Fail(const QString& what) {
    std::printf("%s\n", qPrintable(what));
    failed = true;
}

void Check(const char* what, const QPoint& at, const QPoint& expected, int tolerance = 4) {
    if ((at - expected).manhattanLength() > tolerance)
        Fail(QString::asprintf("%s at %d,%d instead of %d,%d", what, at.x(), at.y(), expected.x(),
                               expected.y()));
}

// Runs `open`, which may block in the pop-up's loop; the pop-up is checked and closed.
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
        Check(what, RealPosition(popup), expected);
        popup->close();
    });
    poll.start();
    open();
    if (!testing_support::WaitUntil([&] { return seen; }, 2000))
        Fail(QString(what) + " did not open");
}

void Probe(COstrelaDlg* dlg) {
    QTest::qWait(1000); // the window manager maps, reparents and places the window
    const QPoint real = RealPosition(dlg);
    if (!dlg->findChild<QWidget*>(QStringLiteral("skinCaptionStrip")))
        Fail("the caption strip is off");
    Check("window", dlg->mapToGlobal(QPoint(0, 0)), real);
    if (real.manhattanLength() <= 100)
        Fail("the window stands at the corner");

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
    QPoint pickerCentre(-9999, -9999);
    CFolderDialog::SetOnShow([&](CFolderBrowseWindow* w) {
        QTimer::singleShot(1000, w, [&, w] {
            pickerCentre = RealPosition(w) + QPoint(w->width() / 2, w->height() / 2);
            w->reject();
        });
    });
    GetDlgItemAs<QPushButton>(dlg, IDC_BROWSE)->click();
    CFolderDialog::SetOnShow({});
    Check("picker", pickerCentre, real + QPoint(dlg->width() / 2, dlg->height() / 2), 80);

    // Minimise iconifies the window (WM_STATE IconicState); the task bar brings it back.
    const bool allowed =
        Property(dlg, "_NET_WM_ALLOWED_ACTIONS").contains(Atom("_NET_WM_ACTION_MINIMIZE"));
    const auto iconic = [dlg] { return Property(dlg, "WM_STATE").value(0) == 3; };
    if (auto* minimise = dlg->findChild<QAbstractButton*>(QStringLiteral("skinMinimizeButton")))
        minimise->click();
    const bool minimised = testing_support::WaitUntil(iconic, 5000);
    ActivateAsTaskBar(dlg);
    const bool restored =
        testing_support::WaitUntil([&] { return !iconic() && dlg->isVisible(); }, 5000);
    if (!allowed || !minimised || !restored)
        Fail(QString::asprintf("minimising allowed %d, iconified %d, restored %d", allowed,
                               minimised, restored));
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
    return done && !failed ? 0 : 1;
}
