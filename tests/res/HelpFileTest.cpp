// help.chm beside the program: every file of the project, pages as written, links sound.

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <optional>

namespace {

const QString kSources = QStringLiteral(OSTRELA_SOURCE_DIR "/res/help/");

using testing_support::ReadFile;

class HelpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        chm = ReadFile(testing_support::BinDir() + "help.chm");
        ASSERT_TRUE(chm.startsWith("ITSF")) << "help.chm is missing or no CHM file";
        bool inFiles = false; // the [FILES] section of the help project
        for (const QByteArray& raw : ReadFile(kSources + "ostrela.hhp").split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith('['))
                inFiles = line == QLatin1String("[FILES]");
            else if (inFiles && !line.isEmpty())
                files << line;
        }
        ASSERT_FALSE(files.isEmpty());
    }

    // The length `name`'s directory entry gives: name length, name, then section, offset
    // and length as big-endian base-128 numbers.
    std::optional<quint64> EntryLength(const QString& name) const {
        const QByteArray utf8 = name.toUtf8();
        qsizetype pos = chm.indexOf(char(utf8.size()) + utf8);
        if (pos < 0)
            return std::nullopt;
        pos += 1 + utf8.size();
        quint64 value = 0;
        for (int number = 0; number < 3; ++number) {
            value = 0;
            for (bool more = true; more; ++pos) {
                if (pos >= chm.size())
                    return std::nullopt;
                value = (value << 7) | (uchar(chm[pos]) & 0x7f);
                more = uchar(chm[pos]) & 0x80;
            }
        }
        return value;
    }

    QByteArray chm;
    QStringList files;
};

TEST_F(HelpFileTest, HoldsEveryPageOfTheGuideAsWrittenAndItsContentsAndIndex) {
    const QStringList pages = QDir(kSources).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GE(pages.size(), 8);
    for (const QString& page : pages) {
        EXPECT_TRUE(files.contains(page)) << page.toStdString() << " is not in the help project";
        EXPECT_EQ(EntryLength('/' + page), quint64(QFileInfo(kSources + page).size()))
            << page.toStdString() << " is missing from help.chm or differs from its source";
    }
    for (const QString& file : files)
        EXPECT_TRUE(EntryLength('/' + file)) << file.toStdString();
    for (const char* internal : {"/#SYSTEM", "/#TOPICS", "/ostrela.hhc", "/ostrela.hhk"})
        EXPECT_TRUE(EntryLength(internal)) << internal;
}

// Every link, picture, contents and index entry names a project file and anchor.
TEST_F(HelpFileTest, EveryLinkLeadsToAPageAndAnchorOfTheGuide) {
    const QRegularExpression link(R"re((?:href|src|name="Local" value)="([^"]*)")re");
    int checked = 0;
    for (const QString& source :
         files.filter(".html") + QStringList{"ostrela.hhc", "ostrela.hhk"}) {
        const QString content = QString::fromUtf8(ReadFile(kSources + source));
        for (auto it = link.globalMatch(content); it.hasNext(); ++checked) {
            const QString target = it.next().captured(1);
            const QString file =
                target.section('#', 0, 0).isEmpty() ? source : target.section('#', 0, 0);
            const QString anchor = target.section('#', 1);
            EXPECT_TRUE(files.contains(file))
                << source.toStdString() << " links to " << target.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(
                    QString::fromUtf8(ReadFile(kSources + file)).contains("id=\"" + anchor + '"'))
                    << source.toStdString() << " links to missing anchor " << target.toStdString();
            }
        }
    }
    EXPECT_GE(checked, 40);
}

} // namespace
