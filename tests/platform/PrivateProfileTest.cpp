// INI values read and written as programs written for Windows expect them.

#include "platform/PrivateProfile.h"

#include "SmallFileSystem.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstring>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace {

// Runs `action` as "nobody" when run as the superuser, whom permissions do not bind.
bool RunWithoutPrivilege(const std::function<bool()>& action) {
    constexpr uid_t nobody = 65534;
    return RunInProcesses(1, [&](int) {
        return (::geteuid() != 0 ||
                (::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
                 ::setresuid(nobody, nobody, nobody) == 0)) &&
               action();
    });
}

class PrivateProfileTest : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath("option.ini"); }
    void Put(const char* bytes) {
        QFile::remove(Path());
        ASSERT_TRUE(!bytes || WriteFile(Path(), bytes));
    }
    QByteArray Contents() const { return ReadFile(Path()); }

    QByteArray Read(const char* section, const char* key, const char* def = "<default>",
                    uint32_t size = 256) {
        std::vector<char> buffer(size + 1, 'x');
        const uint32_t n = GetPrivateProfileString(section, key, def, buffer.data(), size, Path());
        EXPECT_EQ(n, std::strlen(buffer.data()));
        return QByteArray(buffer.data(), n);
    }

    bool Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileString(section, key, value, Path());
    }

    QTemporaryDir dir;
};

TEST_F(PrivateProfileTest, ReadsTheFirstMatchingKeyOfTheFirstMatchingSection) {
    const struct {
        const char *file, *section, *key, *value;
    } cases[] = {
        {"[taskSETTING]\nOUTPUTformat=3\n", "TaskSetting", "OutputFormat", "3"},
        {"[Ärger]\nÜber=ja\n", "ärger", "über", "ja"},
        {"  [ TaskSetting ]  \r\n\t Channel \t=\t  0 1 \t\r\n", " TaskSetting ", "Channel", "0 1"},
        {"\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
        {"[s]\nk=\n", "s", "k", ""},
        {"[s]\nj=value;with#marks\n", "s", "j", "value;with#marks"},
        // One matching pair of quotes goes, after the blanks.
        {"[s]\nk=\"/home/u/My Audio/\"\n", "s", "k", "/home/u/My Audio/"},
        {"[s]\nk='x\"\n", "s", "k", "'x\""},
        {"[s]\nk=  \" padded \"  \n", "s", "k", " padded "},
        // Duplicates: the first key wins and only the first section is searched.
        {"[s]\nk=first\nk=second\n[S]\nk=later\n", "s", "k", "first"},
        {"[s]\nk=1\n[other]\nm=2\n[S]\nonly=later\n", "s", "only", "<default>"},
        // Lines that are not keys.
        {"k=before any section\n[s]\n", "s", "k", "<default>"},
        {"[s]\n  ;k=commented\n", "s", ";k", "<default>"},
        {"[s]\nk=v\n", nullptr, "k", "<default>"},
        {"[s]\nk=v\n", "s", nullptr, "<default>"},
    };
    for (const auto& c : cases) {
        Put(c.file);
        EXPECT_EQ(Read(c.section, c.key), c.value) << c.file;
    }
}

TEST_F(PrivateProfileTest, DefaultLosesTrailingBlanksAndOnlyTheBufferCutsValues) {
    EXPECT_EQ(Read("s", "k", "  1 \t "), "  1");
    EXPECT_EQ(Read("s", "k", nullptr), "");
    EXPECT_FALSE(QFile::exists(Path())); // reading creates nothing
    Put("[s]\nk=0123456789\n");
    EXPECT_EQ(Read("s", "k", "", 10), "012345678");
    EXPECT_EQ(Read("s", "missing", "abcdef", 4), "abc");
    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", &untouched, 0, Path()), 0u);
    EXPECT_EQ(untouched, 'x');
    const QByteArray value(300000, 'v');
    Put(QByteArray("[s]\nk=" + value + "\n").constData());
    EXPECT_EQ(GetPrivateProfileValue("s", "k", "", Path()), value);
    EXPECT_EQ(GetPrivateProfileValue("s", "none", "d  ", Path()), "d");
}

TEST_F(PrivateProfileTest, WritingChangesOnlyTheValueOrAddsOneLine) {
    const struct {
        const char *before, *section, *key, *value, *after;
    } cases[] = {
        // A new file has CRLF line ends; the value is written as given.
        {nullptr, "TaskSetting", "OutputFormat", " 'x' ; y ",
         "[TaskSetting]\r\nOutputFormat= 'x' ; y \r\n"},
        {"; settings\n[taskSetting]\n  outputFORMAT = 2\nChannel=1\n\n[Other]\nx=y\n",
         "TaskSetting", "OutputFormat", "3",
         "; settings\n[taskSetting]\n  outputFORMAT = 3\nChannel=1\n\n[Other]\nx=y\n"},
        {"\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "w", "\xEF\xBB\xBF[s]\r\nk=w\r\n"},
        {"[a]\r\nk=1\r\n; note\r\n\r\n[b]\r\nm=2\r\n", "a", "n", "3",
         "[a]\r\nk=1\r\nn=3\r\n; note\r\n\r\n[b]\r\nm=2\r\n"},
        {"[s]\na=1\n[s]\nb=2\n", "s", "b", "3", "[s]\na=1\nb=3\n[s]\nb=2\n"},
        {"# top\n[Other]\nx = \"q\" \n", "TaskSetting", "OutputPath", "/media/ü/",
         "# top\n[Other]\nx = \"q\" \n[TaskSetting]\nOutputPath=/media/ü/\n"},
        // A last line without a line end gets the file's own before an addition.
        {"[a]\r\nk=1", "a", "n", "2", "[a]\r\nk=1\r\nn=2\r\n"},
        {"[a]\nk=1", "a", "k", "22", "[a]\nk=22"},
        // A last line ending in a lone carriage return only needs "\n" to end it.
        {"[a]\r\nk=1\r", "a", "n", "2", "[a]\r\nk=1\r\nn=2\r\n"},
        {"[a]\nk=1\r", "b", "n", "2", "[a]\nk=1\r\n[b]\nn=2\n"},
        {"[a]\r\nk=1\r", "a", "k", "3", "[a]\r\nk=3\r"},
        // A value with blanks of its own replaces the blanks after "=".
        {"[s]\nk =  v\n", "s", "k", "  w", "[s]\nk =  w\n"},
        {"[s]\nk =  v\n", "s", "k", "w ", "[s]\nk =  w \n"},
    };
    for (const auto& c : cases) {
        Put(c.before);
        EXPECT_TRUE(Write(c.section, c.key, c.value)) << c.after;
        EXPECT_EQ(Contents(), c.after);
    }
}

// Bytes that are not UTF-8 would all decode to the same replacement character.
TEST_F(PrivateProfileTest, UndecodableNamesMatchOnlyThemselves) {
    Put("[\xff]\nk=1\n[s]\n\xc0=1\nk\xe4=1\n");
    ASSERT_TRUE(Write("\xfe", "k", "2"));
    ASSERT_TRUE(Write("s", "\xc1", "2"));
    ASSERT_TRUE(Write("s", "K\xe4", "3"));
    EXPECT_EQ(Contents(), "[\xff]\nk=1\n[s]\n\xc0=1\nk\xe4=3\n\xc1=2\n[\xfe]\nk=2\n");
    EXPECT_EQ(Read("\xff", "k"), "1");
    EXPECT_EQ(Read("\xfe", "k"), "2");
    EXPECT_EQ(Read("s", "\xc0"), "1");
    EXPECT_EQ(Read("s", "\xc3"), "<default>"); // half of a character
}

// Root rewriting a user's file keeps it the user's.
TEST_F(PrivateProfileTest, ReplacingKeepsOwnerAndPermissionsAndFollowsLinks) {
    Put("[s]\nk=v\n");
    ASSERT_TRUE(
        QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QByteArray path = QFile::encodeName(Path());
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.constData(), 65534, 65534), 0);
    }
    ASSERT_TRUE(Write("s", "k", "w"));
    struct stat info {};
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(Path(), link));
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "x", link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Contents(), "[s]\nk=x\n");
    EXPECT_EQ(FilesIn(dir.path()), QStringList({"link.ini", "option.ini"}))
        << "no temporary file stays behind";

    // A link to a file not made yet makes it; one into a missing folder stays.
    ASSERT_TRUE(QFile::remove(Path()));
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "y", link));
    EXPECT_EQ(Contents(), "[s]\r\nk=y\r\n");
    ASSERT_TRUE(QFile::remove(link) && QFile::link(dir.filePath("gone/option.ini"), link));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "z", link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

// Two windows, or a window and ostrela-convert, writing at once.
TEST_F(PrivateProfileTest, ProgramsWritingAtOnceLoseNoKey) {
    constexpr int kKeys = 30;
    const QString path = Path();
    const auto key = [](int writer, int k) {
        return QByteArray::number(writer) + '.' + QByteArray::number(k);
    };
    ASSERT_TRUE(RunInProcesses(4, [&](int writer) {
        for (int k = 0; k < kKeys; ++k)
            if (!WritePrivateProfileString("s", key(writer, k).constData(), "v", path))
                return false;
        return true;
    }));
    int lost = 0;
    for (int writer = 0; writer < 4; ++writer)
        for (int k = 0; k < kKeys; ++k)
            lost += Read("s", key(writer, k).constData()) != "v";
    EXPECT_EQ(lost, 0);
}

// Writes that would break the file, or may not or cannot be made, change nothing.
TEST_F(PrivateProfileTest, RefusedAndFailedWritesChangeNothing) {
    Put("[s]\nk=v\n");
    const char* const refused[][3] = {
        {nullptr, "k", "v"}, {"s", nullptr, "v"}, {"s", "k", nullptr}, {"s", "k", "two\nlines"},
        {"s", "k", "a\rb"},  {"s", "a=b", "v"},   {"s", ";k", "v"},    {"s", "[k]", "v"},
        {"s", "  ", "v"},    {"s]x", "k", "v"},   {"s\n[t", "k", "v"},
    };
    for (const auto& r : refused)
        EXPECT_FALSE(Write(r[0], r[1], r[2])) << (r[0] ? r[0] : "") << (r[1] ? r[1] : "");
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    const QString path = Path();
    EXPECT_FALSE(
        RunWithoutPrivilege([&] { return WritePrivateProfileString("s", "k", "w", path); }));
    EXPECT_TRUE(RunWithoutPrivilege([&] {
        return GetPrivateProfileValue("s", "k", "", path) == "v";
    })) << "the file was readable all along";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Contents(), "[s]\nk=v\n");

    // Neither a folder is made nor a folder under the file's name replaced.
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir.filePath("missing/option.ini")));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing")));
    ASSERT_TRUE(QFile::remove(Path()) && QDir(dir.path()).mkdir("option.ini"));
    EXPECT_EQ(Read("s", "k"), "<default>");
    EXPECT_FALSE(Write("s", "k", "v"));
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

// On a full disk a write puts the whole new file in place or leaves the old
// one, also when rewritten in place in a read-only program folder.
TEST(PrivateProfileFullDiskTest, AFailedWriteLeavesTheOldFile) {
    SmallFileSystem disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "no small file system to fill: " << disk.Reason().toStdString();
    const QString folder = disk.FilePath("program"), path = folder + "/option.ini";
    QByteArray old = "[TaskSetting]\r\nOutputFormat=2\r\nChannel=1\r\nOutputPath=/home/u/A/\r\n";
    ASSERT_TRUE(WriteFile(path, old));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ReadOther | QFile::WriteOther));
    const QByteArray longPath = "/home/u/" + QByteArray(6000, 'p') + "/";
    const auto write = [&](const char* key, const QByteArray& value) {
        return WritePrivateProfileString("TaskSetting", key, value.constData(), path);
    };
    const auto all = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(folder, all));
    ASSERT_TRUE(RunWithoutPrivilege([&] { return write("Channel", "0"); }));
    old.replace("Channel=1", "Channel=0");
    EXPECT_EQ(ReadFile(path), old);

    ASSERT_TRUE(disk.Fill());
    EXPECT_FALSE(RunWithoutPrivilege([&] { return write("OutputPath", longPath); }));
    ASSERT_TRUE(QFile::setPermissions(folder, all | QFile::WriteOwner));
    EXPECT_FALSE(write("Channel", "1"));
    EXPECT_FALSE(write("OutputPath", longPath));
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_FALSE(WritePrivateProfileString("TaskSetting", "Channel", "0", folder + "/new.ini"));
    EXPECT_EQ(FilesIn(folder), QStringList("option.ini"));

    disk.Free();
    ASSERT_TRUE(write("OutputPath", longPath));
    EXPECT_EQ(GetPrivateProfileValue("TaskSetting", "OutputPath", "", path), longPath);
    EXPECT_EQ(GetPrivateProfileValue("TaskSetting", "OutputFormat", "", path), "2");
}

} // namespace
