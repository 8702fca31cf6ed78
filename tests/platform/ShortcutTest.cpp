#include "platform/Shortcut.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using testing_support::WriteFile;

namespace {

class ShortcutTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Desktop(const QString& name, const QByteArray& content, const QByteArray& before = {}) {
        EXPECT_TRUE(WriteFile(Path(name), before + "[Desktop Entry]\n" + content));
        return Path(name);
    }

    QTemporaryDir dir;
};

// Symbolic links resolve to the file at their end, and desktop links to local files.
TEST_F(ShortcutTest, LinksToLocalFilesResolveAndEverythingElseToNothing) {
    const QString target = Path("clip one.avi");
    ASSERT_TRUE(WriteFile(target, "data"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    ASSERT_TRUE(QFile::link(target, Path("link one")));
    ASSERT_TRUE(QFile::link(Path("link one"), Path("link two.lnk")));
    ASSERT_TRUE(QFile::link(Path("loop b"), Path("loop a")));
    ASSERT_TRUE(QFile::link(Path("loop a"), Path("loop b")));
    ASSERT_TRUE(QFile::link(Path("nowhere.avi"), Path("broken")));
    EXPECT_EQ(ResolveShortcut(Path("broken")), Path("nowhere.avi"));
    const QByteArray url = QUrl::fromLocalFile(target).toEncoded();
    const QString links[] = {
        Path("link two.lnk"),
        Desktop("by url.desktop", "Type=Link\nURL=" + url),
        Desktop("escaped.desktop", "Type=Link\nURL=" + target.toUtf8().replace(' ', "\\s")),
        Desktop("by path.DESKTOP", "Name=Clip\nURL = " + target.toUtf8() + "\nType = Link\n",
                "# a link\n"),
        Desktop("first type.desktop", "Type=Link\nType=Application\nURL=" + url),
    };
    for (const QString& link : links)
        EXPECT_EQ(ResolveShortcut(link), target) << link.toStdString();

    const QString nothing[] = {
        QString(),
        target,
        Path("folder"),
        Path("loop a"),
        Path("missing.desktop"),
        Desktop("web.desktop", "Type=Link\nURL=https://example.org/x.avi"),
        Desktop("app.desktop", "Type=Application\nURL=" + url),
        Desktop("relative.desktop", "Type=Link\nURL=clip.avi"),
        Desktop("relative url.desktop", "Type=Link\nURL=file:clip%20one.avi"),
        Desktop("colon url.desktop", "Type=Link\nURL=file::clip.avi"),
        Desktop("nul.desktop", "Type=Link\nURL=" + url + "%00.txt"),
        Desktop("second type.desktop", "Type=Application\nType=Link\nURL=" + url),
        Desktop("link.txt", "Type=Link\nURL=" + url),
        Desktop("group.desktop", "Type=Link\n[Desktop Action x]\nURL=" + url + "\n"),
    };
    for (const QString& path : nothing)
        EXPECT_EQ(ResolveShortcut(path), "") << path.toStdString();
}

} // namespace
