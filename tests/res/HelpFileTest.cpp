// help.chm as the build leaves it beside the program: a real ITSF file whose
// directory holds every page of the guide, byte for byte the size of its
// source, and a guide whose links all lead somewhere.

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

using testing_support::BinDir;

QString HelpSourceDir() {
    return QStringLiteral(OSTRELA_SOURCE_DIR "/res/help/");
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The [FILES] section of the help project.
QStringList ProjectFiles() {
    QStringList files;
    bool inFiles = false;
    for (const QByteArray& raw : ReadAll(HelpSourceDir() + "ostrela.hhp").split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('['))
            inFiles = line == QLatin1String("[FILES]");
        else if (inFiles && !line.isEmpty())
            files << line;
    }
    return files;
}

// Reads the directory of an ITSF (CHM) file: name -> uncompressed length.
class ChmDirectory {
public:
    explicit ChmDirectory(QByteArray data) : bytes(std::move(data)) {}

    // Empty text on success, else what is wrong with the file.
    QString Parse() {
        if (bytes.size() < 0x60 || !bytes.startsWith("ITSF"))
            return QStringLiteral("no ITSF signature");
        if (U32(4) != 3)
            return QStringLiteral("ITSF version %1, expected 3").arg(U32(4));
        const uint64_t dirOffset = U64(0x48);
        if (dirOffset + 0x54 > uint64_t(bytes.size()) || bytes.mid(int(dirOffset), 4) != "ITSP")
            return QStringLiteral("no ITSP directory header");
        const uint32_t chunkSize = U32(dirOffset + 0x10);
        const int32_t firstListing = int32_t(U32(dirOffset + 0x20));
        const uint32_t chunkCount = U32(dirOffset + 0x2c);
        const uint64_t chunksStart = dirOffset + U32(dirOffset + 0x08);
        if (chunkSize < 0x20 ||
            chunksStart + uint64_t(chunkSize) * chunkCount > uint64_t(bytes.size()))
            return QStringLiteral("directory chunks run past the end of the file");

        int32_t chunk = firstListing;
        for (uint32_t visited = 0; chunk >= 0; ++visited) {
            if (uint32_t(chunk) >= chunkCount || visited > chunkCount)
                return QStringLiteral("listing chunk chain is broken");
            const uint64_t base = chunksStart + uint64_t(chunk) * chunkSize;
            if (bytes.mid(int(base), 4) != "PMGL")
                return QStringLiteral("chunk %1 is not a listing chunk").arg(chunk);
            const uint64_t end = base + chunkSize - U32(base + 4);
            uint64_t pos = base + 20;
            while (pos < end) {
                const auto nameLength = EncInt(pos);
                if (!nameLength || pos + *nameLength > end)
                    return QStringLiteral("bad entry in chunk %1").arg(chunk);
                const QString name = QString::fromUtf8(bytes.mid(int(pos), int(*nameLength)));
                pos += *nameLength;
                const auto section = EncInt(pos);
                const auto offset = EncInt(pos);
                const auto length = EncInt(pos);
                if (!section || !offset || !length)
                    return QStringLiteral("bad entry %1").arg(name);
                lengths.insert(name, *length);
            }
            chunk = int32_t(U32(base + 16));
        }
        return {};
    }

    bool Contains(const QString& name) const { return lengths.contains(name); }
    uint64_t Length(const QString& name) const { return lengths.value(name); }

private:
    uint32_t U32(uint64_t at) const {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | uint8_t(bytes[int(at) + i]);
        return v;
    }
    uint64_t U64(uint64_t at) const { return U32(at) | (uint64_t(U32(at + 4)) << 32); }
    // Big-endian base-128 number, high bit set on every byte but the last.
    std::optional<uint64_t> EncInt(uint64_t& pos) const {
        uint64_t v = 0;
        for (int i = 0; i < 9 && pos < uint64_t(bytes.size()); ++i) {
            const uint8_t b = uint8_t(bytes[int(pos++)]);
            v = (v << 7) | (b & 0x7f);
            if (!(b & 0x80))
                return v;
        }
        return std::nullopt;
    }

    QByteArray bytes;
    QHash<QString, uint64_t> lengths;
};

class HelpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        chm = std::make_unique<ChmDirectory>(ReadAll(BinDir() + "help.chm"));
        const QString problem = chm->Parse();
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        files = ProjectFiles();
        ASSERT_FALSE(files.isEmpty());
    }
    std::unique_ptr<ChmDirectory> chm;
    QStringList files;
};

TEST_F(HelpFileTest, HoldsEveryPageOfTheGuideAsWritten) {
    const QStringList pages =
        QDir(HelpSourceDir()).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GE(pages.size(), 8);
    for (const QString& page : pages) {
        EXPECT_TRUE(files.contains(page)) << page.toStdString() << " is not in the help project";
        ASSERT_TRUE(chm->Contains('/' + page)) << page.toStdString() << " is not in help.chm";
        EXPECT_EQ(chm->Length('/' + page), uint64_t(QFileInfo(HelpSourceDir() + page).size()))
            << page.toStdString() << " in help.chm differs from its source";
    }
}

TEST_F(HelpFileTest, HoldsTheProjectFilesContentsAndIndex) {
    for (const QString& file : files)
        EXPECT_TRUE(chm->Contains('/' + file)) << file.toStdString();
    EXPECT_EQ(chm->Length(QStringLiteral("/ostrela.png")),
              uint64_t(QFileInfo(BinDir() + "pictures/ostrela-48.png").size()));
    for (const char* internal :
         {"/#SYSTEM", "/#TOPICS", "/#URLTBL", "/ostrela.hhc", "/ostrela.hhk"})
        EXPECT_TRUE(chm->Contains(QString::fromLatin1(internal))) << internal;
}

// Every link and picture of every page, and every entry of the contents and
// the index, names a file of the project, and every #anchor exists there.
TEST_F(HelpFileTest, EveryLinkLeadsToAPageAndAnchorOfTheGuide) {
    QHash<QString, QString> text;
    for (const QString& file : files)
        if (file.endsWith(QLatin1String(".html")))
            text.insert(file, QString::fromUtf8(ReadAll(HelpSourceDir() + file)));

    const QRegularExpression link(QStringLiteral(R"re((?:href|src)="([^"]*)")re"));
    const QRegularExpression local(QStringLiteral(R"re(name="Local" value="([^"]*)")re"));
    QStringList sources = files.filter(QStringLiteral(".html"));
    sources << QStringLiteral("ostrela.hhc") << QStringLiteral("ostrela.hhk");
    int checked = 0;
    for (const QString& source : sources) {
        const QString content = QString::fromUtf8(ReadAll(HelpSourceDir() + source));
        for (const auto& re : {link, local}) {
            for (auto it = re.globalMatch(content); it.hasNext();) {
                const QString target = it.next().captured(1);
                ASSERT_FALSE(target.contains(QLatin1String("://")))
                    << source.toStdString() << ": " << target.toStdString();
                const QString file = target.section('#', 0, 0);
                const QString anchor = target.section('#', 1);
                const QString resolved = file.isEmpty() ? source : file;
                EXPECT_TRUE(files.contains(resolved))
                    << source.toStdString() << " links to " << target.toStdString();
                if (!anchor.isEmpty()) {
                    EXPECT_TRUE(
                        text.value(resolved).contains(QStringLiteral("id=\"%1\"").arg(anchor)))
                        << source.toStdString() << " links to missing anchor "
                        << target.toStdString();
                }
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 40);
}

} // namespace
