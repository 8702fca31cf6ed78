#include "tasks/FileDropListCtrl.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
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
    QString File(const QString& name, const QByteArray& content = "data") {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        return Path(name);
    }
    QString Folder(const QString& name) {
        EXPECT_TRUE(QDir(dir.path()).mkpath(name));
        return Path(name);
    }
    QString DesktopFile(const QString& name, const QByteArray& type, const QByteArray& url) {
        return File(name, "[Desktop Entry]\nType=" + type + "\nURL=" + url + "\n");
    }
    void UseHandler(CFileDropListCtrl::DropFlags flags, const QString& extension = QString()) {
        ASSERT_TRUE(
            list.SetDropConfig({flags | CFileDropListCtrl::UseHandler, extension, &RecordDrop}));
    }
    QStringList Rows() const {
        QStringList rows;
        for (int r = 0; r < list.GetItemCount(); ++r)
            rows << list.GetItemText(r, 0);
        return rows;
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

TEST_F(FileDropListCtrlTest, DefaultInsertionPutsNewPathsOnTopAndSkipsKnownOnes) {
    const QString a = File("a.avi");
    const QString folder = Folder("videos");
    ASSERT_TRUE(Drop({a, a}));
    EXPECT_EQ(list.InsertDroppedPath(a), -1);
    ASSERT_TRUE(Drop({folder}));
    EXPECT_EQ(Rows(), QStringList({folder, a}));

    ASSERT_TRUE(list.SetDropConfig(
        {CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AllowDuplicates, {}, nullptr}));
    EXPECT_EQ(list.InsertDroppedPath(a), 0);
    EXPECT_EQ(Rows(), QStringList({a, folder, a}));
}

TEST_F(FileDropListCtrlTest, HandlerWithoutAFunctionIsRefusedAndTheOldConfigurationStays) {
    EXPECT_FALSE(list.SetDropConfig(
        {CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::UseHandler, {}, nullptr}));
    const QString a = File("a.avi");
    ASSERT_TRUE(Drop({a}));
    EXPECT_EQ(Rows(), QStringList({a}));
}

TEST_F(FileDropListCtrlTest, HandlerReceivesAcceptedLocalPathsInDropOrderWithTheirKinds) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    const QString c = File("c.mkv");
    const QString a = File("a.avi");
    const QString folder = Folder("folder");
    ASSERT_TRUE(Drop({c, folder, Path("gone.avi"), "https://example.org/b.avi", a}));
    const decltype(received) expected = {{c, 128u}, {folder, 64u}, {a, 128u}};
    EXPECT_EQ(received, expected);
    EXPECT_EQ(list.GetItemCount(), 0); // the handler alone receives them
    // A relative file URL names no particular file (not even one in the working
    // folder), and an encoded NUL would cut the path short.
    const QString working = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const bool dropped = Drop({"file:c.mkv", QUrl::fromLocalFile(a).toString() + "%00.txt", a});
    QDir::setCurrent(working);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(received.back(), std::make_pair(a, 128u));
    EXPECT_EQ(received.size(), 4u);
    // A drag without any local file is refused as it enters.
    EXPECT_FALSE(Drop({"https://example.org/clip.avi"}));
}

TEST_F(FileDropListCtrlTest, ExtensionFilterComparesTheLastExtensionOfTheName) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::FilterByExtension, ".avi");
    const QString upper = File("CLIP.AVI");
    Folder("my.avi");
    ASSERT_TRUE(Drop({upper, File("clip.avi.mp4"), File("clip"), File("my.avi/clip")}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, upper);
}

TEST_F(FileDropListCtrlTest, LinksArriveAsTheirTargetsAndBrokenOnesNotAtAll) {
    const QString target = File("holiday.avi");
    ASSERT_TRUE(QFile::link(target, Path("link one")));
    const QString desktop =
        DesktopFile("clip.desktop", "Link", QUrl::fromLocalFile(target).toEncoded());
    ASSERT_TRUE(QFile::link(Path("nowhere.avi"), Path("broken")));
    ASSERT_TRUE(QFile::link(Path("loop b"), Path("loop a")));
    ASSERT_TRUE(QFile::link(Path("loop a"), Path("loop b")));
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    ASSERT_TRUE(Drop({Path("broken"), Path("link one"), Path("loop a"), desktop}));
    const decltype(received) expected = {{target, 128u}, {target, 128u}};
    EXPECT_EQ(received, expected);
}

} // namespace
