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

class FileDropListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        received.clear();
        list.InsertColumn(0, "Path", Qt::AlignLeft, 300);
        list.resize(400, 300);
    }

    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString File(const QString& name) {
        EXPECT_TRUE(testing_support::WriteFile(Path(name), "data"));
        return Path(name);
    }
    QString Folder(const QString& name) {
        EXPECT_TRUE(QDir(dir.path()).mkpath(name));
        return Path(name);
    }
    void UseHandler(CFileDropListCtrl::DropFlags flags) {
        ASSERT_TRUE(list.SetDropConfig({flags | CFileDropListCtrl::UseHandler, {}, &RecordDrop}));
    }

    // Carries the URLs (local paths or URLs) over the list as a drag from the
    // desktop does: enter, move, drop. False when the list refused the drag.
    bool Drop(const QStringList& items) {
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
        QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &drop);
        return move.isAccepted() && drop.isAccepted();
    }

    QTemporaryDir dir;
    CFileDropListCtrl list;
};

TEST_F(FileDropListCtrlTest, HandlerReceivesAcceptedLocalPathsInDropOrderWithTheirKinds) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    const QString c = File("c.mkv");
    const QString a = File("a.avi");
    const QString folder = Folder("folder");
    ASSERT_TRUE(Drop({c, folder, Path("gone.avi"), "https://example.org/b.avi", a}));
    const decltype(received) expected = {{c, 128u}, {folder, 64u}, {a, 128u}};
    EXPECT_EQ(received, expected);
    EXPECT_EQ(list.GetItemCount(), 0); // the handler alone receives them
    // A drag without any local file is refused as it enters.
    EXPECT_FALSE(Drop({"https://example.org/clip.avi"}));
}

} // namespace
