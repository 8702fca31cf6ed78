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

QMimeData* UrlData(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QList<QUrl> FileUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    return urls;
}

// Carries the URLs over the list as a drag from the desktop does: enter, move,
// drop, each a real event delivered to the list's viewport. Returns whether the
// list accepted the drag when it entered.
bool DragAndDrop(CFileDropListCtrl& list, const QList<QUrl>& urls) {
    std::unique_ptr<QMimeData> data(UrlData(urls));
    const QPoint at = list.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::LinkAction, data.get(), Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    return true;
}

bool DropFiles(CFileDropListCtrl& list, const QStringList& paths) {
    return DragAndDrop(list, FileUrls(paths));
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
        receivingList = nullptr;
        list.InsertColumn(0, "Path", Qt::AlignLeft, 300);
        list.resize(400, 300);
    }

    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString File(const QString& name) {
        const QString p = Path(name);
        EXPECT_TRUE(WriteFile(p));
        return p;
    }
    QString Folder(const QString& name) {
        EXPECT_TRUE(QDir(dir.path()).mkpath(name));
        return Path(name);
    }
    QString DesktopLink(const QString& name, const QByteArray& body) {
        const QString p = Path(name);
        EXPECT_TRUE(WriteFile(p, body));
        return p;
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

TEST_F(FileDropListCtrlTest, StartsAcceptingFilesAndFoldersAndTakesDrops) {
    EXPECT_EQ(list.GetDropFlags(), 0x03u);
    EXPECT_TRUE(list.acceptDrops());
    EXPECT_TRUE(list.viewport()->acceptDrops());
}

TEST_F(FileDropListCtrlTest, DefaultInsertionPutsNewPathsOnTopAndSkipsKnownOnes) {
    const QString a = File("a.avi");
    const QString b = File("b.avi");
    ASSERT_TRUE(DropFiles(list, {a}));
    EXPECT_EQ(Rows(list), QStringList({a}));

    ASSERT_TRUE(DropFiles(list, {a}));
    EXPECT_EQ(Rows(list), QStringList({a}));

    ASSERT_TRUE(DropFiles(list, {b}));
    EXPECT_EQ(Rows(list), QStringList({b, a}));
}

TEST_F(FileDropListCtrlTest, DefaultInsertionTakesFoldersAndAllowsDuplicatesWhenAsked) {
    const QString a = File("a.avi");
    const QString folder = Folder("videos");
    ASSERT_TRUE(DropFiles(list, {a, folder}));
    EXPECT_EQ(Rows(list), QStringList({folder, a}));

    CFileDropListCtrl::DropConfig config;
    config.flags = CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AllowDuplicates;
    ASSERT_TRUE(list.SetDropConfig(config));
    EXPECT_EQ(list.InsertDroppedPath(a), 0);
    EXPECT_EQ(Rows(list), QStringList({a, folder, a}));
}

TEST_F(FileDropListCtrlTest, InsertDroppedPathReportsAKnownPath) {
    const QString a = File("a.avi");
    EXPECT_EQ(list.InsertDroppedPath(a), 0);
    EXPECT_EQ(list.InsertDroppedPath(a), -1);
    EXPECT_EQ(list.GetItemCount(), 1);
}

TEST_F(FileDropListCtrlTest, HandlerWithoutAFunctionIsRefused) {
    CFileDropListCtrl::DropConfig config;
    config.flags = CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::UseHandler;
    EXPECT_FALSE(list.SetDropConfig(config));
    EXPECT_EQ(list.GetDropFlags(), 0x03u);

    // The configuration left in place still inserts by default.
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

TEST_F(FileDropListCtrlTest, FilesOnlyConfigurationSkipsFolders) {
    UseHandler(CFileDropListCtrl::AcceptFiles);
    const QString folder = Folder("folder.avi");
    const QString a = File("a.avi");
    ASSERT_TRUE(DropFiles(list, {folder, a}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, a);
}

TEST_F(FileDropListCtrlTest, ExtensionFilterComparesTheLastExtensionOfTheName) {
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::FilterByExtension, ".avi");
    const QString upper = File("CLIP.AVI");
    const QString other = File("clip.mp4");
    const QString twice = File("clip.avi.mp4");
    const QString bare = File("clip");
    const QString dotted = Folder("my.avi") + "/clip";
    ASSERT_TRUE(WriteFile(dotted));
    const QString plain = File("plain.avi");
    ASSERT_TRUE(DropFiles(list, {upper, other, twice, bare, dotted, plain}));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].first, upper);
    EXPECT_EQ(received[1].first, plain);
}

TEST_F(FileDropListCtrlTest, SymbolicLinksResolveToTheFileAtTheirEnd) {
    const QString target = File("holiday.avi");
    ASSERT_TRUE(QFile::link(target, Path("link one")));
    ASSERT_TRUE(QFile::link(Path("link one"), Path("link two.lnk")));
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(Path("link one")), target);
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(Path("link two.lnk")), target);

    UseHandler(CFileDropListCtrl::AcceptFiles);
    ASSERT_TRUE(DropFiles(list, {Path("link two.lnk")}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, target);
}

TEST_F(FileDropListCtrlTest, BrokenAndLoopingLinksAddNothing) {
    ASSERT_TRUE(QFile::link(Path("nowhere.avi"), Path("broken")));
    ASSERT_TRUE(QFile::link(Path("loop b"), Path("loop a")));
    ASSERT_TRUE(QFile::link(Path("loop a"), Path("loop b")));
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(Path("loop a")), "");
    UseHandler(CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders);
    ASSERT_TRUE(DropFiles(list, {Path("broken"), Path("loop a")}));
    EXPECT_TRUE(received.empty());
}

TEST_F(FileDropListCtrlTest, DesktopLinksResolveToTheirLocalTarget) {
    const QString target = File("clip one.avi");
    const QString byUrl = DesktopLink(
        "by url.desktop", "[Desktop Entry]\nVersion=1.0\nType=Link\nName=Clip\nURL=" +
                              QUrl::fromLocalFile(target).toEncoded() + "\nIcon=video\n");
    const QString byPath = DesktopLink("by path.DESKTOP", "# a link\n[Desktop Entry]\nName=Clip\n"
                                                          "URL = " +
                                                              target.toUtf8() + "\nType = Link\n");
    const QString escaped = DesktopLink(
        "escaped.desktop",
        "[Desktop Entry]\nType=Link\nURL=" + target.toUtf8().replace(' ', "\\s") + "\n");
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(byUrl), target);
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(byPath), target);
    EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(escaped), target);

    UseHandler(CFileDropListCtrl::AcceptFiles);
    ASSERT_TRUE(DropFiles(list, {byUrl}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], std::make_pair(target, 128u));
}

TEST_F(FileDropListCtrlTest, EverythingElseResolvesToNothing) {
    const QString target = File("clip.avi");
    const QString url = QUrl::fromLocalFile(target).toString();
    const QString web =
        DesktopLink("web.desktop", "[Desktop Entry]\nType=Link\nURL=https://example.org/x.avi\n");
    const QString app = DesktopLink(
        "app.desktop", "[Desktop Entry]\nType=Application\nExec=vlc\nURL=" + url.toUtf8() + "\n");
    const QString otherGroup = DesktopLink(
        "group.desktop",
        "[Desktop Entry]\nType=Link\nName=x\n[Desktop Action x]\nURL=" + url.toUtf8() + "\n");
    const QString relative =
        DesktopLink("relative.desktop", "[Desktop Entry]\nType=Link\nURL=clip.avi\n");
    const QString notDesktop =
        DesktopLink("link.txt", "[Desktop Entry]\nType=Link\nURL=" + url.toUtf8() + "\n");
    for (const QString& path : {QString(), target, web, app, otherGroup, relative, notDesktop,
                                Folder("folder"), Path("missing.desktop")})
        EXPECT_EQ(CFileDropListCtrl::ResolveShortcut(path), "") << path.toStdString();
}

TEST_F(FileDropListCtrlTest, DragsWithoutLocalFilesAreRefused) {
    EXPECT_FALSE(DragAndDrop(list, {QUrl("https://example.org/clip.avi")}));
    std::unique_ptr<QMimeData> text(new QMimeData);
    text->setText("clip.avi");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(FileDropListCtrlTest, MixedDragDeliversOnlyItsLocalFiles) {
    UseHandler(CFileDropListCtrl::AcceptFiles);
    const QString a = File("a.avi");
    ASSERT_TRUE(DragAndDrop(list, {QUrl("https://example.org/b.avi"), QUrl::fromLocalFile(a)}));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].first, a);
}

} // namespace
