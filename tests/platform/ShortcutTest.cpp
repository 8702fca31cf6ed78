#include "platform/Shortcut.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Links and link files in a temporary folder.
class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

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

    QTemporaryDir dir;
};

TEST_F(ShortcutTest, SymbolicLinksResolveToTheFileAtTheirEndAndLoopsToNothing) {
    const QString target = File("holiday.avi");
    ASSERT_TRUE(QFile::link(target, Path("link one")));
    ASSERT_TRUE(QFile::link(Path("link one"), Path("link two.lnk")));
    EXPECT_EQ(ResolveShortcut(Path("link two.lnk")), target);

    ASSERT_TRUE(QFile::link(Path("nowhere.avi"), Path("broken")));
    ASSERT_TRUE(QFile::link(Path("loop b"), Path("loop a")));
    ASSERT_TRUE(QFile::link(Path("loop a"), Path("loop b")));
    EXPECT_EQ(ResolveShortcut(Path("loop a")), "");
    EXPECT_EQ(ResolveShortcut(Path("broken")), Path("nowhere.avi"));
}

TEST_F(ShortcutTest, DesktopLinksToLocalFilesResolveAndEverythingElseToNothing) {
    const QString target = File("clip one.avi");
    const QByteArray url = QUrl::fromLocalFile(target).toEncoded();
    const QString links[] = {
        DesktopFile("by url.desktop", "Link", url),
        DesktopFile("escaped.desktop", "Link", target.toUtf8().replace(' ', "\\s")),
        File("by path.DESKTOP",
             "# a link\n[Desktop Entry]\nName=Clip\nURL = " + target.toUtf8() + "\nType = Link\n"),
        File("first type.desktop", "[Desktop Entry]\nType=Link\nType=Application\nURL=" + url),
    };
    for (const QString& link : links)
        EXPECT_EQ(ResolveShortcut(link), target) << link.toStdString();

    const QString nothing[] = {
        QString(),
        target,
        Folder("folder"),
        Path("missing.desktop"),
        DesktopFile("web.desktop", "Link", "https://example.org/x.avi"),
        DesktopFile("app.desktop", "Application", url),
        DesktopFile("relative.desktop", "Link", "clip.avi"),
        DesktopFile("relative url.desktop", "Link", "file:clip%20one.avi"),
        DesktopFile("nul.desktop", "Link", url + "%00.txt"),
        File("second type.desktop", "[Desktop Entry]\nType=Application\nType=Link\nURL=" + url),
        DesktopFile("link.txt", "Link", url),
        File("group.desktop", "[Desktop Entry]\nType=Link\n[Desktop Action x]\nURL=" + url + "\n"),
    };
    for (const QString& path : nothing)
        EXPECT_EQ(ResolveShortcut(path), "") << path.toStdString();
}

} // namespace
