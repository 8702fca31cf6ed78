// Setting a user's file aside under a task's output name: the cases the
// conversion dialog's own tests do not reach (folders, links, names at the
// length limit, read-only files, a renamed folder).

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

// A name of 255 bytes still gets a hidden name beside it, and comes back.
TEST_F(OutputGuardTest, LongestNameIsSetAsideAndPutBack) {
    const QString path = dir.filePath(QString(125, QChar(0xe9)) + ".mp3");
    ASSERT_EQ(QFile::encodeName(QFileInfo(path).fileName()).size(), 254);
    ASSERT_TRUE(WriteFile(path, "user"));
    OutputGuard guard;
    ASSERT_EQ(guard.SetAside(path), OutputGuard::SetAsideResult::Ready);
    EXPECT_EQ(ReadFile(path), ""); // the task's own output, for the encoder to fill
    EXPECT_TRUE(QFileInfo(guard.KeptPath()).fileName().startsWith('.'));
    ASSERT_TRUE(WriteFile(path, "unfinished"));
    guard.Restore();
    EXPECT_EQ(ReadFile(path), "user");
    EXPECT_EQ(Entries().size(), 1);
}

// A link under the output name, whatever it points to (a file, nothing, a
// folder), is set aside as a link: what the task writes never reaches its
// target, and the link itself comes back.
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

// A file the user may not write is not set aside; one that is set aside
// gives its place to the task's output, which other tasks then see as taken.
TEST_F(OutputGuardTest, ReadOnlyFilesStayAndATaskOutputIsSeenAsTaken) {
    const QString path = dir.filePath("clip.mp3");
    ASSERT_TRUE(WriteFile(path, "user"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    OutputGuard guard;
    EXPECT_EQ(guard.SetAside(path), OutputGuard::SetAsideResult::WriteProtected);
    EXPECT_EQ(Entries(), QStringList({"clip.mp3"}));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_FALSE(OutputGuard::IsWrittenByRunningTask(path));
    ASSERT_EQ(guard.SetAside(path), OutputGuard::SetAsideResult::Ready);
    EXPECT_TRUE(OutputGuard::IsWrittenByRunningTask(path));
}

// A folder renamed while its task runs: the user's file comes back in it.
TEST_F(OutputGuardTest, RenamedFolderGetsTheUsersFileBack) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("before"));
    ASSERT_TRUE(WriteFile(dir.filePath("before/clip.mp3"), "user"));
    OutputGuard guard;
    ASSERT_EQ(guard.SetAside(dir.filePath("before/clip.mp3")), OutputGuard::SetAsideResult::Ready);
    ASSERT_TRUE(QDir(dir.path()).rename("before", "after"));
    EXPECT_TRUE(guard.KeptPath().startsWith(dir.filePath("after/.clip.mp3.")));
    EXPECT_EQ(guard.Restore(), QString());
    EXPECT_EQ(ReadFile(dir.filePath("after/clip.mp3")), "user");
    EXPECT_EQ(FilesIn(dir.filePath("after")), QStringList({"clip.mp3"}));
}

// A folder under the output name is neither moved nor removed; a task with
// no file there leaves nothing behind when it does not succeed.
TEST_F(OutputGuardTest, FolderStaysAndANewOutputGoesWhenTheTaskFails) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp3"));
    OutputGuard guard;
    ASSERT_EQ(guard.SetAside(dir.filePath("folder.mp3")), OutputGuard::SetAsideResult::Ready);
    EXPECT_TRUE(guard.KeptPath().isEmpty());
    ASSERT_EQ(guard.SetAside(dir.filePath("new.mp3")),
              OutputGuard::SetAsideResult::Ready); // the folder's task ends as failed
    ASSERT_TRUE(WriteFile(dir.filePath("new.mp3"), "half"));
    guard.Restore();
    EXPECT_EQ(Entries(), QStringList({"folder.mp3"}));
}

} // namespace
