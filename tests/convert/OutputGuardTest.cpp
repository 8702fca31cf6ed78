// Setting a user's file aside: the cases the engine's tests do not reach.

#include "convert/OutputGuard.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class OutputGuardTest : public ::testing::Test {
protected:
    QStringList Entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    QTemporaryDir dir;
};

// A name of 255 bytes still gets a hidden name beside it; the output in its
// place is seen as taken by other tasks, and the user's file comes back into
// its folder though that was renamed while the task ran.
TEST_F(OutputGuardTest, LongestNameIsSetAsideAndComesBackIntoARenamedFolder) {
    const QString name = QString(125, QChar(0xe9)) + ".mp3";
    const QString path = dir.filePath("before/" + name);
    ASSERT_EQ(QFile::encodeName(name).size(), 254);
    ASSERT_TRUE(WriteFile(path, "user"));
    EXPECT_FALSE(OutputGuard::IsWrittenByRunningTask(path));
    OutputGuard guard;
    ASSERT_EQ(guard.SetAside(path), OutputGuard::SetAsideResult::Ready);
    EXPECT_TRUE(OutputGuard::IsWrittenByRunningTask(path));
    EXPECT_EQ(ReadFile(path), ""); // the task's own output, for the encoder to fill
    ASSERT_TRUE(WriteFile(path, "unfinished"));
    ASSERT_TRUE(QDir(dir.path()).rename("before", "after"));
    EXPECT_TRUE(guard.KeptPath().startsWith(dir.filePath("after/.")))
        << guard.KeptPath().toStdString();
    EXPECT_EQ(guard.Restore(), QString());
    EXPECT_EQ(ReadFile(dir.filePath("after/" + name)), "user");
    EXPECT_EQ(FilesIn(dir.filePath("after")), QStringList({name}));
}

// A link is set aside as a link, whatever it points to.
TEST_F(OutputGuardTest, LinkIsSetAsideItselfAndItsTargetIsNeverWritten) {
    const QString path = dir.filePath("clip.mp3");
    ASSERT_TRUE(WriteFile(dir.filePath("file"), "target"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    for (const QString target : {"file", "missing", "folder"}) {
        ASSERT_TRUE(QFile::link(dir.filePath(target), path));
        {
            OutputGuard guard;
            ASSERT_EQ(guard.SetAside(path), OutputGuard::SetAsideResult::Ready);
            ASSERT_TRUE(WriteFile(path, "unfinished"));
        } // a guard that still holds its task restores as for a failure
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), dir.filePath(target));
        EXPECT_EQ(Entries(), QStringList({"clip.mp3", "file", "folder"}));
        EXPECT_EQ(ReadFile(dir.filePath("file")), "target");
        EXPECT_TRUE(QDir(dir.filePath("folder")).isEmpty());
        ASSERT_TRUE(QFile::remove(path));
    }
}

// A folder under the output name is neither moved nor removed.
TEST_F(OutputGuardTest, FolderUnderTheOutputNameStays) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp3"));
    OutputGuard guard;
    ASSERT_EQ(guard.SetAside(dir.filePath("folder.mp3")), OutputGuard::SetAsideResult::Ready);
    EXPECT_TRUE(guard.KeptPath().isEmpty());
    guard.Restore();
    EXPECT_EQ(Entries(), QStringList({"folder.mp3"}));
}

} // namespace
