// Setting a user's file aside under a task's output name: the cases the
// conversion dialog's own tests do not reach (folders, links, names at the
// length limit).

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
    COutputGuard guard;
    ASSERT_TRUE(guard.SetAside(path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFileInfo(guard.KeptPath()).fileName().startsWith('.'));
    ASSERT_TRUE(WriteFile(path, "unfinished"));
    guard.Restore();
    EXPECT_EQ(ReadFile(path), "user");
    EXPECT_EQ(Entries().size(), 1);
}

// A link under the output name is set aside as a link: what the task writes
// never reaches the file it points to, and the link itself comes back.
TEST_F(OutputGuardTest, LinkIsSetAsideItselfAndItsTargetIsNeverWritten) {
    const QString target = dir.filePath("elsewhere.mp3");
    const QString path = dir.filePath("clip.mp3");
    ASSERT_TRUE(WriteFile(target, "target"));
    ASSERT_TRUE(QFile::link(target, path));
    {
        COutputGuard guard;
        ASSERT_TRUE(guard.SetAside(path));
        ASSERT_TRUE(WriteFile(path, "unfinished"));
    } // a guard that still holds its task restores as for a failure
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(ReadFile(target), "target");
    EXPECT_EQ(Entries(), QStringList({"clip.mp3", "elsewhere.mp3"}));
}

// A folder under the output name is neither moved nor removed; a task with
// no file there leaves nothing behind when it does not succeed.
TEST_F(OutputGuardTest, FolderStaysAndANewOutputGoesWhenTheTaskFails) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp3"));
    COutputGuard guard;
    ASSERT_TRUE(guard.SetAside(dir.filePath("folder.mp3")));
    EXPECT_TRUE(guard.KeptPath().isEmpty());
    ASSERT_TRUE(guard.SetAside(dir.filePath("new.mp3"))); // the folder's task ends as failed
    ASSERT_TRUE(WriteFile(dir.filePath("new.mp3"), "half"));
    guard.Restore();
    EXPECT_EQ(Entries(), QStringList({"folder.mp3"}));
}

} // namespace
