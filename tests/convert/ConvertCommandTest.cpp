#include "convert/ConvertCommand.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <tuple>

namespace {

class ConvertCommandTest : public ::testing::Test {
protected:
    QStringList Ini(const QByteArray& text) {
        EXPECT_TRUE(testing_support::WriteFile(dir.filePath("option.ini"), text));
        return {dir.filePath("option.ini")};
    }

    ParsedConvertCommand Parse(const QStringList& arguments) {
        return ParseConvertCommand(arguments, ConvertOptions{}, "/home/u/work");
    }

    QTemporaryDir dir;
};

TEST_F(ConvertCommandTest, DefaultsAreTheValuesAtTheStoredListPositions) {
    struct Case {
        QByteArray ini;
        int format, bitrate, sampleRate, channels;
    };
    const Case cases[] = {
        {"", FormatMP3, 128, 48000, 2},
        {"[TaskSetting]\nOutputFormat=3\nAudioBitrate=12\nSampleRate=1\nChannel=0\n", FormatAC3,
         320, 44100, 1},
        {"[TaskSetting]\nOutputFormat=2\nAudioBitrate=0\nSampleRate=3\nChannel=1\n", FormatWAV, 32,
         22050, 2},
        {"[TaskSetting]\nOutputFormat=4\n", FormatKeepOriginal, 128, 48000, 2},
        // Outside the lists: each key's own default, as the window falls back.
        {"[TaskSetting]\nOutputFormat=9\nAudioBitrate=13\nSampleRate=-1\nChannel=2\n", FormatMP3,
         128, 48000, 2},
        // Another section is not read.
        {"[Other]\nOutputFormat=2\nAudioBitrate=0\n", FormatMP3, 128, 48000, 2},
    };
    for (const Case& c : cases) {
        const ConvertOptions o = ConvertDefaults(Ini(c.ini));
        EXPECT_EQ(std::tuple(o.output.format, o.output.bitrate, o.output.sampleRate,
                             o.output.channels, o.track, o.jobs),
                  std::tuple(c.format, c.bitrate, c.sampleRate, c.channels, 0, 1))
            << c.ini.constData();
    }
    EXPECT_EQ(ConvertDefaults(Ini("[TaskSetting]\nSimultaneous=4\n")).jobs, 4);
    EXPECT_EQ(ConvertDefaults(Ini("[TaskSetting]\nSimultaneous=900\n")).jobs, 64);
    EXPECT_EQ(ConvertDefaults(Ini("[TaskSetting]\nSimultaneous=0\n")).jobs, 1);
    EXPECT_EQ(ConvertDefaults({dir.filePath("missing.ini")}).output.bitrate, 128);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.ini")));
}

TEST_F(ConvertCommandTest, OptionsReplaceTheDefaultsAndUnsetOnesKeepThem) {
    ConvertOptions defaults = ConvertDefaults(Ini("[TaskSetting]\nOutputFormat=2\nChannel=0\n"));
    auto parsed = ParseConvertCommand({"--bitrate", "320", "--rate=32000", "--out", "/srv/music",
                                       "--jobs", "3", "--track", "2", "a.avi", "/v/b c.mkv"},
                                      defaults, "/home/u/work");
    ASSERT_EQ(parsed.action, ConvertAction::Run) << parsed.error.toStdString();
    const ConvertOptions& o = parsed.options;
    EXPECT_EQ(std::tuple(o.output.format, o.output.channels, o.output.bitrate, o.output.sampleRate,
                         o.jobs, o.track, o.output.outputFolder),
              std::tuple(FormatWAV, 1, 320, 32000, 3, 2, QString("/srv/music")));
    EXPECT_EQ(o.files, QStringList({"/home/u/work/a.avi", "/v/b c.mkv"}));

    parsed = ParseConvertCommand({"--format", "MP3", "--channels", "2", "--out", "o", "x.mp4"},
                                 defaults, "/w");
    EXPECT_EQ(std::pair(parsed.options.output.format, parsed.options.output.channels),
              std::pair(int(FormatMP3), 2));
    // The last of a repeated option counts.
    parsed = Parse({"--format", "ac3", "--format", "original", "--out", "o", "x.mp4"});
    EXPECT_EQ(parsed.options.output.format, FormatKeepOriginal);
}

// Whatever is typed, the encoder is handed absolute paths: a name starting
// with "-" or looking like an address cannot become an option or a URL.
TEST_F(ConvertCommandTest, PathsBecomeAbsoluteBelowTheCurrentFolderOrHome) {
    struct Case {
        QStringList arguments;
        QString folder, file;
    };
    const QString home = QDir::homePath();
    const Case cases[] = {
        {{"--out", "sound", "v.avi"}, "/home/u/work/sound", "/home/u/work/v.avi"},
        {{"--out", "../out/", "./v.avi"}, "/home/u/out", "/home/u/work/./v.avi"},
        {{"--out", "~", "v.avi"}, home, "/home/u/work/v.avi"},
        {{"--out=~/Music", "v.avi"}, home + "/Music", "/home/u/work/v.avi"},
        {{"--out", "~x", "v.avi"}, "/home/u/work/~x", "/home/u/work/v.avi"},
        {{"--out=-y", "--", "-i.avi"}, "/home/u/work/-y", "/home/u/work/-i.avi"},
        {{"--out", "http://host/x", "file:a.avi"},
         "/home/u/work/http:/host/x",
         "/home/u/work/file:a.avi"},
        // Only a leading "/" makes a path absolute; blanks around --out go.
        {{"--out", ":gm", ":x.avi"}, "/home/u/work/:gm", "/home/u/work/:x.avi"},
        {{"--out", " /srv/x\t", "v.avi"}, "/srv/x", "/home/u/work/v.avi"},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.arguments);
        ASSERT_EQ(parsed.action, ConvertAction::Run) << parsed.error.toStdString();
        EXPECT_EQ(parsed.options.output.outputFolder, c.folder)
            << c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.options.files, QStringList{c.file}) << c.arguments.join(' ').toStdString();
    }
}

TEST_F(ConvertCommandTest, UsageErrorsNameWhatIsWrong) {
    struct Case {
        QStringList arguments;
        QString error;
    };
    const Case cases[] = {
        {{"v.avi"}, "--out FOLDER is needed"},
        {{"--out", "o"}, "no video file was given"},
        {{"--out", "o", ""}, "an empty file name"},
        {{"--out"}, "Missing value after '--out'"},
        {{"--speed", "2", "--out", "o", "v.avi"}, "Unknown option 'speed'"},
        {{"--format", "ogg", "--out", "o", "v.avi"}, "unknown format 'ogg'"},
        {{"--bitrate", "160", "--out", "o", "v.avi"}, "--bitrate must be one of 32, 40,"},
        {{"--rate", "8000", "--out", "o", "v.avi"}, "--rate must be one of 48000, 44100"},
        {{"--channels", "6", "--out", "o", "v.avi"}, "--channels must be 1"},
        {{"--jobs", "0", "--out", "o", "v.avi"}, "--jobs must be a number from 1 to 64"},
        {{"--jobs", "+2", "--out", "o", "v.avi"}, "--jobs must be"},
        {{"--jobs", "65", "--out", "o", "v.avi"}, "--jobs must be"},
        {{"--out", "  ", "v.avi"}, "--out FOLDER is needed"},
        {{"--track", "0", "--out", "o", "v.avi"}, "--track must be"},
        {{"--format", "ac3", "--rate", "22050", "--out", "o", "v.avi"},
         "AC3 does not support a sample rate of 22050 Hz"},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.arguments);
        EXPECT_EQ(parsed.action, ConvertAction::UsageError) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(parsed.error.contains(c.error))
            << c.arguments.join(' ').toStdString() << ": " << parsed.error.toStdString();
    }
    // Keeping the original sound sets no sample rate, so the AC3 pair is no error.
    EXPECT_EQ(
        Parse({"--format", "ac3", "--rate", "22050", "--format", "original", "--out", "o", "v.avi"})
            .action,
        ConvertAction::Run);
}

TEST_F(ConvertCommandTest, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(Parse({"--bitrate", "7", "--help"}).action, ConvertAction::Help);
    EXPECT_EQ(Parse({"-h"}).action, ConvertAction::Help);
    EXPECT_EQ(Parse({"--version", "v.avi"}).action, ConvertAction::Version);

    // The usage names the defaults in force.
    ConvertOptions defaults;
    defaults.output.format = FormatAC3;
    defaults.output.bitrate = 256;
    const QString usage = ConvertUsageText(defaults);
    EXPECT_TRUE(usage.startsWith(
        "Usage: ostrela-convert [--format mp3|wav|ac3|flac|opus|aac|vorbis|original]"));
    EXPECT_TRUE(usage.contains("(now ac3)"));
    EXPECT_TRUE(usage.contains("(now 256)"));
}

// --cover and --loudness turn on over the window's stored choice; the
// loudness takes its target only after an equals sign.
TEST_F(ConvertCommandTest, CoverAndLoudnessFollowTheStoredChoiceAndTheOption) {
    const ConvertOptions stored =
        ConvertDefaults(Ini("[TaskSetting]\nAddCoverPicture=1\nEvenOutLoudness=1\n"));
    EXPECT_TRUE(stored.output.coverPicture);
    EXPECT_EQ(stored.output.loudnessTarget, -16);
    EXPECT_FALSE(ConvertDefaults(Ini("[TaskSetting]\nOutputFormat=1\n")).output.coverPicture);
    EXPECT_TRUE(Parse({"--cover", "--out", "o", "v.avi"}).options.output.coverPicture);
    const std::pair<QStringList, double> targets[] = {{{"--loudness", "v.avi"}, -16},
                                                      {{"--loudness=-23.5", "v.avi"}, -23.5},
                                                      {{"--loudness=off", "v.avi"}, 0}};
    for (const auto& [arguments, target] : targets) {
        const auto parsed = Parse(arguments + QStringList{"--out", "o"});
        EXPECT_EQ(parsed.options.output.loudnessTarget, target) << parsed.error.toStdString();
        EXPECT_EQ(parsed.options.files, QStringList{"/home/u/work/v.avi"});
    }
    for (const char* wrong : {"--loudness=-3", "--loudness=loud"})
        EXPECT_TRUE(Parse({wrong, "--out", "o", "v.avi"}).error.contains("from -70 to -5 LUFS"));
    EXPECT_TRUE(Parse({"--format", "original", "--loudness", "--out", "o", "v.avi"})
                    .error.contains("cannot be used with --format original"));
}

} // namespace
