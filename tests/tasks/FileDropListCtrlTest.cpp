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

bool WriteFile(const QString& path, const QByteArray& content = "data") {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// Carries the URLs over the list as a drag from the desktop does: enter, move,
// drop, each a real event to the list's viewport. False when the list refused
// the drag as it entered.
bool DragAndDrop(CFileDropListCtrl& list, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = list.viewport()->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    return true;
}

bool DropFiles(CFileDropListCtrl& list, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    return DragAndDrop(list, urls);
}

QStringList Rows(const CListCtrl& list) {
    QStringList rows;
    for (int r = 0; r < list.GetItemCount(); ++r)
        rows << list.GetItemText(r, 0);
    return rows;
}

// What the drop handler received, in order.
std::vector<std::pair<QString, unsigned>> received;
CFileDropListCtrl* receivingList = nullptr;

int RecordDrop(CFileDropListCtrl* list, const QString& path, unsigned* kind) {
    receivingList = list;
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
        EXPECT_TRUE(WriteFile(Path(name), content));
        return Path(name);
    }
    QString Folder(const QString& name) {
        EXPECT_TRUE(QDir(dir.path()).mkpath(name));
        return Path(name);
    }
    void UseHandler(CFileDropListCtrl::DropFlags flags, const QString& extension = QString()) {
        CFileDropListCtrl::DropConfig config;
        config.flags = flags | CFileDropListCtrl::UseHandler;
        config.extension = extension;
        config.dropHandler = &RecordDrop;
        ASSERT_TRUE(list.SetDropConfig(config));
    }

    QTemporaryDir dir;
    CFileDropListCtrl list;
};

TEST_F(FileDropListCtrlTest, DefaultInsertionPutsNewPathsOnTopAndSkipsKnownOnes) {
    const QString a = File("a.avi");
    const QString folder = Folder("videos");
    ASSERT_TRUE(DropFiles(list, {a, a}));
    EXPECT_EQ(Rows(list), QStringList({a}));
    EXPECT_EQ(list.InsertDroppedPath(a), -1);
    ASSERT_TRUE(DropFiles(list, {folder}));
    EXPECT_EQ(Rows(list), QStringList({folder, a}));

    CFileDropListCtrl::DropConfig config;
    config.flags = CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AllowDuplicates;
    ASSERT_TRUE(list.SetDropConfig(config));
    EXPECT_EQ(list.InsertDroppedPath(a), 0);
    EXPECT_EQ(Rows(list), QStringList({a, folder, a}));
}

TEST_F(FileDropListCtrlTest, HandlerWithoutAFunctionIsRefusedAndTheOldConfigurationStays) {
    CFileDropListCtrl::DropConfig config;
    config.flags = CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::UseHandler;
    EXPECT_FALSE(list.SetDropConfig(config));
    const QString a = File("a.avi");
    ASSERT_TRUE(DropFiles(list, {a}));
    EXPECT_EQ(Rows(list), QStringList({a}));
}

TEST_F(FileDropListCtrlTest, HandlerReceivesAcceptedPathsInDropOrderWithTheirKinds) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    const QString c = File("c.mkv");
    const QString a = File("a.avi");
    const QString folder = Folder("folder");
    ASSERT_TRUE(DropFiles(list, {c, folder, Path("gone.avi"), a}));
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0], std::make_pair(c, 128u));
    EXPECT_EQ(received[1], std::make_pair(folder, 64u));
    EXPECT_EQ(received[2], std::make_pair(a, 128u));
    EXPECT_EQ(receivingList, &list);
    EXPECT_EQ(list.GetItemCount(), 0); // the handler alone receives them
}

TEST_F(FileDropListCtrlTest, ExtensionFilterComparesTheLastExtensionOfTheName) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::FilterByExtension, ".avi");
    const QString upper = File("CLIP.AVI");
    const QString dotted = Folder("my.avi") + "/clip";
    ASSERT_TRUE(WriteFile(dotted));
    ASSERT_TRUE(DropFiles(list, {upper, File("clip.avi.mp4"), File("clip"), dotted}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, upper);
}

TEST_F(FileDropListCtrlTest, SymbolicLinksResolveToTheFileAtTheirEndAndLoopsToNothing) {
    const QString target = File("holiday.avi");
    ASSERT_TRUE(QFile::link(target, Path("link one")));
    ASSERT_TRUE(QFile::link(Path("link one"), Path("link two.lnk")));
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(Path("link two.lnk")), target);

    ASSERT_TRUE(QFile::link(Path("nowhere.avi"), Path("broken")));
    ASSERT_TRUE(QFile::link(Path("loop b"), Path("loop a")));
    ASSERT_TRUE(QFile::link(Path("loop a"), Path("loop b")));
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(Path("loop a")), "");
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    ASSERT_TRUE(DropFiles(list, {Path("broken"), Path("loop a")}));
    EXPECT_TRUE(received.empty());
}

TEST_F(FileDropListCtrlTest, DesktopLinksToLocalFilesResolveAndEverythingElseToNothing) {
    const QString target = File("clip one.avi");
    const QByteArray url = QUrl::fromLocalFile(target).toEncoded();
    const QString links[] = {
        File("by url.desktop",
             "[Desktop Entry]\nVersion=1.0\nType=Link\nName=Clip\nURL=" + url + "\nIcon=video\n"),
        File("by path.DESKTOP",
             "# a link\n[Desktop Entry]\nName=Clip\nURL = " + target.toUtf8() + "\nType = Link\n"),
        File("escaped.desktop",
             "[Desktop Entry]\nType=Link\nURL=" + target.toUtf8().replace(' ', "\\s") + "\n"),
    };
    for (const QString& link : links)
        EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(link), target) << link.toStdString();

    const QString nothing[] = {
        QString(),
        target,
        File("web.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/x.avi\n"),
        File("app.desktop", "[Desktop Entry]\nType=Application\nExec=vlc\nURL=" + url + "\n"),
        File("group.desktop",
             "[Desktop Entry]\nType=Link\nName=x\n[Desktop Action x]\nURL=" + url + "\n"),
        File("relative.desktop", "[Desktop Entry]\nType=Link\nURL=clip.avi\n"),
        File("link.txt", "[Desktop Entry]\nType=Link\nURL=" + url + "\n"),
        Folder("folder"),
        Path("missing.desktop"),
    };
    for (const QString& path : nothing)
        EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(path), "") << path.toStdString();
}

TEST_F(FileDropListCtrlTest, OnlyLocalFilesOfADragAreTaken) {
    EXPECT_FALSE(DragAndDrop(list, {QUrl("https://example.org/clip.avi")}));
    QMimeData text;
    text.setText("clip.avi");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    UseHandler(CFileDropListCtrl::AcceptFiles);
    const QString a = File("a.avi");
    ASSERT_TRUE(DragAndDrop(list, {QUrl("https://example.org/b.avi"), QUrl::fromLocalFile(a)}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, a);
}

} // namespace
