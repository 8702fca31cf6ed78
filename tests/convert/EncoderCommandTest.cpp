// The encoder command line: the exact text for ordinary paths, the split it
// gives for awkward ones, and the real encoder accepting it.

#include "convert/EncoderCommand.h"
#include "platform/CommandLine.h"
#include "platform/ModulePath.h"
#include "TestSupport.h"
#include "tasks/TaskTable.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TaskRecord MakeTask(const QString& source, double duration, double clipStart, double clipLength) {
    TaskRecord task{};
    task.duration = duration;
    task.clipStart = clipStart;
    task.clipLength = clipLength;
    EXPECT_TRUE(SetFixedText(task.sourcePath, source));
    EXPECT_TRUE(SetFixedText(task.title, GetTitle(source)));
    return task;
}

OutputSettings MakeSettings(const QString& folder, int format) {
    OutputSettings settings;
    settings.outputFolder = folder;
    settings.format = format;
    settings.bitrate = 128;
    settings.sampleRate = 44100;
    settings.channels = 2;
    return settings;
}

QStringList Argv(const QString& encoder, const QString& source, const QStringList& clip,
                 const QStringList& codec, const QString& output, const QString& channels = "2") {
    QStringList argv{encoder, "-i", source};
    argv << clip << "-y" << codec << "-ab"
         << "128k"
         << "-ac" << channels << "-ar"
         << "44100" << output;
    return argv;
}

const QString kEncoder = "/opt/tools/vexa.exe";
const QString kSource = "/video/clip one.avi";

} // namespace

class EncoderCommandTemplates : public ::testing::Test {
protected:
    QString Build(const TaskRecord& task, int format, const QString& folder = "/music") {
        return BuildEncoderCommandLine(task, MakeSettings(folder, format),
                                       OutputExtensionOf(format), kEncoder);
    }
};

TEST_F(EncoderCommandTemplates, Mp3WithClip) {
    const TaskRecord task = MakeTask(kSource, 120, 12.5, 30);
    EXPECT_EQ(Build(task, FormatMP3),
              "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -ss 12.500000 -t 30.000000 -y "
              "-acodec libmp3lame -ab 128k -ac 2 -ar 44100 \"/music/clip one.mp3\"");
}

TEST_F(EncoderCommandTemplates, WavWholeFileHasTwoBlanksBeforeOverwrite) {
    const TaskRecord task = MakeTask(kSource, 120, 0, 120);
    EXPECT_EQ(Build(task, FormatWAV),
              "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -vn -ab 128k -ac 2 -ar 44100 "
              "\"/music/clip one.wav\"");
}

TEST_F(EncoderCommandTemplates, Ac3WholeFile) {
    const TaskRecord task = MakeTask(kSource, 120, 0, 120);
    EXPECT_EQ(Build(task, FormatAC3),
              "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -acodec ac3 -ab 128k -ac 2 "
              "-ar 44100 \"/music/clip one.ac3\"");
}

TEST_F(EncoderCommandTemplates, UnknownFormatUsesMp3Template) {
    const TaskRecord task = MakeTask(kSource, 120, 0, 120);
    EXPECT_EQ(OutputExtensionOf(0), "mp3");
    EXPECT_EQ(OutputExtensionOf(7), "mp3");
    EXPECT_EQ(Build(task, 0),
              "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -acodec libmp3lame -ab 128k "
              "-ac 2 -ar 44100 \"/music/clip one.mp3\"");
}

TEST_F(EncoderCommandTemplates, ChannelTextIsOneOnlyForMono) {
    const TaskRecord task = MakeTask(kSource, 120, 0, 120);
    OutputSettings settings = MakeSettings("/music", FormatMP3);
    for (const int channels : {0, 1, 2, 3}) {
        settings.channels = channels;
        const QStringList argv =
            CommandLineToArgv(BuildEncoderCommandLine(task, settings, "mp3", kEncoder));
        const qsizetype ac = argv.indexOf("-ac");
        ASSERT_GT(ac, 0);
        EXPECT_EQ(argv[ac + 1], channels == 1 ? "1" : "2") << channels;
    }
}

TEST_F(EncoderCommandTemplates, PercentSignsInPathsStayLiteral) {
    const TaskRecord task = MakeTask("/video/100%s %d.avi", 60, 0, 60);
    EXPECT_EQ(Build(task, FormatWAV, "/out %n"),
              "\"/opt/tools/vexa.exe\" -i \"/video/100%s %d.avi\"  -y -vn -ab 128k -ac 2 -ar 44100 "
              "\"/out %n/100%s %d.wav\"");
}

class ClipOption : public ::testing::Test {};

TEST_F(ClipOption, NoneWhenLengthEqualsPlayingTimeWhateverTheStart) {
    EXPECT_EQ(BuildClipOption(60, 0, 60), "");
    EXPECT_EQ(BuildClipOption(60, 5, 60), "");
}

TEST_F(ClipOption, ToleranceOfATenthOfASecond) {
    EXPECT_EQ(BuildClipOption(60, 0, 59.95), "");
    EXPECT_EQ(BuildClipOption(60, 0, 60.05), "");
    EXPECT_EQ(BuildClipOption(60, 0, 59.85), "-ss 0.000000 -t 59.850000");
    EXPECT_EQ(BuildClipOption(60, 1, 60.15), "-ss 1.000000 -t 60.150000");
}

TEST_F(ClipOption, StartBeyondPlayingTimeBecomesZero) {
    EXPECT_EQ(BuildClipOption(60, 75, 10), "-ss 0.000000 -t 10.000000");
    EXPECT_EQ(BuildClipOption(60, 60, 10), "-ss 60.000000 -t 10.000000");
}

TEST_F(ClipOption, NegativeLengthPassedOnUnchanged) {
    EXPECT_EQ(BuildClipOption(60, 20, -5), "-ss 20.000000 -t -5.000000");
}

TEST_F(ClipOption, SixDecimalsRounded) {
    EXPECT_EQ(BuildClipOption(3600, 1.0 / 3, 2.0 / 3), "-ss 0.333333 -t 0.666667");
}

class OutputPath : public ::testing::Test {};

TEST_F(OutputPath, FolderAsTypedTitleWithoutLeadingWhiteSpace) {
    EXPECT_EQ(BuildOutputPath("/music", " clip one", "mp3"), "/music/clip one.mp3");
    EXPECT_EQ(BuildOutputPath("/music", " \t clip  ", "wav"), "/music/clip  .wav");
    EXPECT_EQ(BuildOutputPath("/music/", " clip", "ac3"), "/music//clip.ac3");
    EXPECT_EQ(BuildOutputPath("", " clip", "mp3"), "/clip.mp3");
}

TEST_F(OutputPath, SameTitleGivesSamePath) {
    const TaskRecord a = MakeTask("/video/a/clip.avi", 60, 0, 60);
    const TaskRecord b = MakeTask("/video/b/clip.mkv", 60, 0, 60);
    const OutputSettings settings = MakeSettings("/music", FormatMP3);
    EXPECT_EQ(CommandLineToArgv(BuildEncoderCommandLine(a, settings, "mp3", kEncoder)).last(),
              CommandLineToArgv(BuildEncoderCommandLine(b, settings, "mp3", kEncoder)).last());
}

// Whatever the paths hold, the split of the command gives them back whole.
class CommandSplit : public ::testing::Test {
protected:
    QStringList Split(const QString& encoder, const QString& source, const QString& folder,
                      double clipLength = 60) {
        const TaskRecord task = MakeTask(source, 60, 0, clipLength);
        return CommandLineToArgv(
            BuildEncoderCommandLine(task, MakeSettings(folder, FormatMP3), "mp3", encoder));
    }
    const QStringList mp3{"-acodec", "libmp3lame"};
};

TEST_F(CommandSplit, BlanksAndNonAscii) {
    EXPECT_EQ(Split("/opt/my tools/vexa.exe", "/vidéo/Ünïcode  two\tblanks.mkv", "/mü sic"),
              Argv("/opt/my tools/vexa.exe", "/vidéo/Ünïcode  two\tblanks.mkv", {}, mp3,
                   "/mü sic/Ünïcode  two\tblanks.mp3"));
}

TEST_F(CommandSplit, ClipOptionBecomesFourArguments) {
    EXPECT_EQ(Split(kEncoder, kSource, "/music", 30),
              Argv(kEncoder, kSource, {"-ss", "0.000000", "-t", "30.000000"}, mp3,
                   "/music/clip one.mp3"));
}

TEST_F(CommandSplit, DoubleQuotesInSourceAndOutput) {
    const QString source = "/video/the \"best\" clip.avi";
    EXPECT_EQ(Split(kEncoder, source, "/out \"A\""),
              Argv(kEncoder, source, {}, mp3, "/out \"A\"/the \"best\" clip.mp3"));
    EXPECT_EQ(Split(kEncoder, "/v/\"", "/o\"\""),
              Argv(kEncoder, "/v/\"", {}, mp3, "/o\"\"/\".mp3"));
}

TEST_F(CommandSplit, BackslashesBeforeQuotesAndAtTheEnd) {
    const QString source = "/video/odd\\\\\"name\\";
    EXPECT_EQ(Split(kEncoder, source, "/out\\"),
              Argv(kEncoder, source, {}, mp3, "/out\\/odd\\\\\"name\\.mp3"));
    EXPECT_EQ(Split(kEncoder, "/v/a\\b\\\\", "/o"),
              Argv(kEncoder, "/v/a\\b\\\\", {}, mp3, "/o/a\\b\\\\.mp3"));
}

TEST_F(CommandSplit, PathsWithoutQuotesOrTrailingBackslashOnlyWrapped) {
    const TaskRecord task = MakeTask("/v/a\\b c.avi", 60, 0, 60);
    EXPECT_EQ(BuildEncoderCommandLine(task, MakeSettings("/o\\p", FormatWAV), "wav", kEncoder),
              "\"/opt/tools/vexa.exe\" -i \"/v/a\\b c.avi\"  -y -vn -ab 128k -ac 2 -ar 44100 "
              "\"/o\\p/a\\b c.wav\"");
}

TEST_F(CommandSplit, EncoderPathWithQuoteButNoBlankKeptWhole) {
    const QString encoder = "/opt/o\"dd/vexa.exe";
    EXPECT_EQ(Split(encoder, kSource, "/music"),
              Argv(encoder, kSource, {}, mp3, "/music/clip one.mp3"));
}

TEST_F(CommandSplit, EncoderPathThatCannotBeWrittenNamesNoProgram) {
    // Cut at the quote, "/opt/my" could be another program; nothing must start.
    for (const QString encoder : {"/opt/my \"tools\"/vexa.exe", "\"quoted/vexa.exe"}) {
        EXPECT_EQ(Split(encoder, kSource, "/music"),
                  Argv("", kSource, {}, mp3, "/music/clip one.mp3"))
            << encoder.toStdString();
    }
}

TEST(LocateEncoder, BesideTheProgramWhenThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/";
    QFile file(folder + "vexa.exe");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    testing_support::ProgramFolderOverride programFolder(folder);
    EXPECT_EQ(LocateEncoder(), folder + "vexa.exe");
}

TEST(LocateEncoder, TemporaryFolderOtherwiseWithoutSecondTest) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    testing_support::ProgramFolderOverride programFolder(dir.path());
    const QString expected = GetTempFolder() + "vexa.exe";
    EXPECT_EQ(LocateEncoder(), expected);
    EXPECT_FALSE(QFile::exists(expected)) << "the fallback is named whether or not it exists";
}

// The real encoder takes each of the three commands with awkward paths and
// writes what they ask for.
class RealEncoderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        sourceFolder = dir.path() + "/in \"put\" ü";
        outputFolder = dir.path() + "/out \\\"x\\";
        ASSERT_TRUE(QDir().mkpath(sourceFolder));
        ASSERT_TRUE(QDir().mkpath(outputFolder));
        source = sourceFolder + "/my \"clip\" é.mkv";
        QString error;
        ASSERT_TRUE(testing_support::MakeMedia(source, 6, &error)) << error.toStdString();
    }

    // Runs the command as the runner will: split, first argument as program.
    bool Run(const QString& commandLine) {
        const QStringList argv = CommandLineToArgv(commandLine);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(argv.first(), argv.mid(1));
        return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir dir;
    QString sourceFolder, outputFolder, source;
};

TEST_F(RealEncoderCommand, AllThreeFormats) {
    const QString encoder = testing_support::BinDir() + "vexa.exe";
    ASSERT_TRUE(QFile::exists(encoder));
    const TaskRecord task = MakeTask(source, 6, 1, 3);
    struct Case {
        int format;
        const char* codec;
        int sampleRate;
        int channels;
    };
    for (const Case c : {Case{FormatMP3, "mp3", 44100, 2}, Case{FormatWAV, "pcm_s16le", 22050, 1},
                         Case{FormatAC3, "ac3", 48000, 2}}) {
        OutputSettings settings = MakeSettings(outputFolder, c.format);
        settings.sampleRate = c.sampleRate;
        settings.channels = c.channels;
        const QString extension = OutputExtensionOf(c.format);
        ASSERT_TRUE(Run(BuildEncoderCommandLine(task, settings, extension, encoder))) << c.codec;
        const QString output = outputFolder + "/my \"clip\" é." + extension;
        const testing_support::MediaFacts facts = testing_support::ProbeMedia(output);
        ASSERT_TRUE(facts.ok) << output.toStdString();
        EXPECT_EQ(facts.codec, c.codec);
        EXPECT_EQ(facts.sampleRate, c.sampleRate);
        EXPECT_EQ(facts.channels, c.channels);
        EXPECT_NEAR(facts.duration, 3.0, 0.2) << c.codec;
    }
}
