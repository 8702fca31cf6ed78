#include "tasks/FileDropListCtrl.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// What the drop handler received, in order.
std::vector<std::pair<QString, unsigned>> received;

int RecordDrop(CFileDropListCtrl*, const QString& path, unsigned* kind) {
    received.emplace_back(path, *kind);
    return 0;
}

TEST(FileDropListCtrlTest, HandlerReceivesAcceptedLocalPathsInDropOrderWithTheirKinds) {
    QTemporaryDir dir;
    CFileDropListCtrl list;
    list.InsertColumn(0, "Path", Qt::AlignLeft, 300);
    list.resize(400, 300);
    ASSERT_TRUE(
        list.SetDropConfig({CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders |
                                CFileDropListCtrl::UseHandler,
                            {},
                            &RecordDrop}));
    // Carries the items over the list as a drag from the desktop does: enter,
    // move, drop. False when the list refused the drag.
    const auto drop = [&list](const QStringList& items) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& item : items)
            urls << (item.startsWith('/') ? QUrl::fromLocalFile(item) : QUrl(item));
        data.setUrls(urls);
        const QPoint at = list.viewport()->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        QDropEvent dropped(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &dropped);
        return move.isAccepted() && dropped.isAccepted();
    };
    const QString c = dir.filePath("c.mkv"), a = dir.filePath("a.avi");
    const QString folder = dir.filePath("folder");
    ASSERT_TRUE(testing_support::WriteFile(c, "data") && testing_support::WriteFile(a, "data"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(drop({c, folder, dir.filePath("gone.avi"), "https://example.org/b.avi", a}));
    const decltype(received) expected = {{c, 128u}, {folder, 64u}, {a, 128u}};
    EXPECT_EQ(received, expected);
    EXPECT_EQ(list.GetItemCount(), 0); // the handler alone receives them
    // A drag without any local file is refused as it enters.
    EXPECT_FALSE(drop({"https://example.org/clip.avi"}));
}

} // namespace
