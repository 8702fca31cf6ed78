// Tasks converted by the real encoder through the real main, clip and conversion dialogs.

#include "ConversionWatcher.h"
#include "MainWindowRig.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "convert/JobBuilder.h"
#include "platform/CommandLine.h"
#include "tasks/TaskTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {
struct FormatCase {
    int format;          // radio code
    int bitrateIndex;    // in the bitrate list
    int sampleRateIndex; // 0 48000, 1 44100, 2 32000, 3 22050
    int channelIndex;    // 0 mono, 1 stereo
    const char* codec;
    int sampleRate, channels;
    const char* extension;
};

const QString kSpacedName = QString::fromUtf8("clip \u00e9t\u00e9 \u00fcber.avi");
constexpr double kSourceSeconds = 4.0;

// In the open clip dialog: selects the clip, splits the chapters when asked, presses OK.
void ChooseClip(double from, double to, bool split = false) {
    auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget());
    if (!dlg || (split && !dlg->splitChapters))
        return;
    dlg->rangeSlider->SetSelection(from, to);
    if (split) {
        EXPECT_FALSE(dlg->splitChapters->isChecked());
        QTest::mouseClick(dlg->splitChapters, Qt::LeftButton, {}, QPoint(5, 5));
    }
    QTest::mouseClick(GetDlgItemAs<QPushButton>(dlg, IDC_OK), Qt::LeftButton);
}
} // namespace

class ConvertEndToEnd : public ::testing::TestWithParam<FormatCase>, protected MainWindowRig {
protected:
    static void SetUpTestSuite() {
        media = std::make_unique<QTemporaryDir>();
        ok = MakeMedia(media->path() + "/plain.avi", kSourceSeconds, &error) &&
             MakeMedia(media->path() + "/" + kSpacedName, kSourceSeconds, &error) &&
             MakeChapteredVideo(media->path() + "/talk.mkv", 10,
                                {{0, "Intro"}, {3, "Side 1/2"}, {7, ""}}, &error);
    }
    static void TearDownTestSuite() { media.reset(); }

    void SetUp() override {
        ASSERT_TRUE(ok) << error.toStdString();
        // Read at twice their speed, as a long video is, so a progress line
        // with a time comes apart from the first one (at 0 s).
        const QString encoder = program.filePath("vexa.exe");
        ASSERT_TRUE(WriteFile(encoder, "#!/bin/sh\nexec \"" + BinDir().toUtf8() +
                                           "vexa.exe\" -readrate 2 \"$@\"\n"));
        ASSERT_TRUE(QFile::setPermissions(encoder, QFile::ReadOwner | QFile::ExeOwner));
    }

    static inline std::unique_ptr<QTemporaryDir> media;
    static inline bool ok = false;
    static inline QString error;
    QTemporaryDir output;
};

TEST_P(ConvertEndToEnd, EveryTaskBecomesAnAudioFileWithTheAskedProperties) {
    const FormatCase& c = GetParam();
    main.AddFile(media->path() + "/plain.avi");
    main.AddFile(media->path() + "/" + kSpacedName);
    ASSERT_EQ(main.taskList->GetItemCount(), 2);

    main.taskList->SelectItem(1);
    QTimer::singleShot(0, [] { ChooseClip(1.0, 3.0); });
    main.OnCommand(IDC_MOVIE_CLIP);
    ASSERT_EQ(taskTable[1].clipLength, 2.0);

    main.SetOutputFormatRadios(c.format);
    main.bitrateList->setCurrentIndex(c.bitrateIndex);
    main.sampleRateList->setCurrentIndex(c.sampleRateIndex);
    main.channelList->setCurrentIndex(c.channelIndex);
    const QString folder = output.path() + "/audio out";
    SetOutputFolder(folder);

    ConversionWatcher watcher;
    main.OnCommand(IDC_CONVERT);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!") << boxes.boxes[0].text.toStdString();
    // The encoder's progress reached the dialog while it ran.
    EXPECT_TRUE(std::any_of(watcher.currents.begin(), watcher.currents.end(), [](const QString& t) {
        return t.startsWith("OutputSize:") && t.endsWith("% Finished");
    })) << QStringList(watcher.currents.values()).join(" | ").toStdString();

    const QString ext = c.extension;
    const MediaFacts whole = ProbeMedia(folder + "/plain." + ext);
    const MediaFacts clip = ProbeMedia(folder + "/" + kSpacedName.chopped(4) + "." + ext);
    for (const MediaFacts& facts : {whole, clip}) {
        ASSERT_TRUE(facts.ok);
        EXPECT_EQ(facts.codec, c.codec);
        EXPECT_EQ(facts.sampleRate, c.sampleRate);
        EXPECT_EQ(facts.channels, c.channels);
    }
    EXPECT_NEAR(whole.duration, kSourceSeconds, 0.2);
    EXPECT_NEAR(clip.duration, 2.0, 0.2);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ConvertEndToEnd,
    ::testing::Values(FormatCase{1, 8, 1, 1, "mp3", 44100, 2, "mp3"},
                      FormatCase{2, 0, 2, 0, "pcm_s16le", 32000, 1, "wav"},
                      FormatCase{3, 9, 0, 1, "ac3", 48000, 2, "ac3"},
                      // Keep Original copies the sources' mono MP3, cut to the clip.
                      FormatCase{4, 0, 0, 0, "mp3", 44100, 1, "mp3"},
                      // Opus: 320 kbit/s mono at 44100 Hz gives 256 kbit/s at 48000 Hz.
                      FormatCase{FormatOpus, 12, 1, 0, "opus", 48000, 1, "opus"},
                      FormatCase{FormatFLAC, 8, 3, 0, "flac", 22050, 1, "flac"},
                      FormatCase{FormatAAC, 12, 3, 1, "aac", 22050, 2, "m4a"},
                      FormatCase{FormatVorbis, 0, 1, 1, "vorbis", 44100, 2, "ogg"}),
    [](const auto& test) { return std::to_string(test.param.format) + test.param.extension; });

// One file per chapter inside the clip, each cut to the clip.
TEST_F(ConvertEndToEnd, EachChapterInTheClipBecomesAFile) {
    ASSERT_TRUE(QFile::remove(program.filePath("vexa.exe")) && LinkEncoder()); // at full speed
    main.AddFile(media->path() + "/talk.mkv");
    QTimer::singleShot(0, [] { ChooseClip(1.5, 8.5, true); });
    main.OnCommand(IDC_MOVIE_CLIP);
    EXPECT_EQ(main.taskList->GetItemText(0, 3), QString::fromUtf8("MKV \u00b7 3 chapters"));

    SetOutputFolder(output.path());
    main.OnCommand(IDC_CONVERT);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!") << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(FilesIn(output.path()),
              QStringList({"talk - 01 - Intro.mp3", "talk - 02 - Side 1-2.mp3",
                           "talk - 03 - Chapter 3.mp3"}));
    for (const auto& [name, seconds] :
         {std::pair("01 - Intro", 1.5), {"02 - Side 1-2", 4.0}, {"03 - Chapter 3", 1.5}})
        EXPECT_NEAR(ProbeMedia(output.filePath("talk - ") + name + ".mp3").duration, seconds, 0.1);
}

// FLAC holds the very samples of the WAV conversion; each more format is
// written in its container.
TEST(MoreFormats, FlacHoldsTheSamplesOfTheWavAndEachFormatItsContainer) {
    QTemporaryDir dir;
    const QString source = dir.filePath("a.mp4");
    ASSERT_TRUE(MakeMedia(source, 1));
    const auto convert = [&](int format) {
        TaskRecord task{};
        task.duration = task.clipLength = 1;
        EXPECT_TRUE(SetFixedText(task.sourcePath, source) && SetFixedText(task.title, "a"));
        const EncoderJob job =
            BuildJob({task, {}}, {dir.path(), format, 128, 44100, 2}, BinDir() + "vexa.exe");
        QStringList args = CommandLineToArgv(job.commandLine);
        QProcess p;
        p.start(args.takeFirst(), args);
        EXPECT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0) << job.commandLine.toStdString();
        return job.outputPath;
    };
    const auto samples = [](const QString& path) {
        QProcess p;
        p.start("ffmpeg", {"-v", "error", "-i", path, "-f", "hash", "-"});
        return p.waitForFinished(60000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                             : QByteArray();
    };
    const QByteArray wav = samples(convert(FormatWAV));
    ASSERT_TRUE(wav.startsWith("SHA256=")) << wav.data();
    EXPECT_EQ(samples(convert(FormatFLAC)), wav);
    const std::pair<int, QString> containers[] = {{FormatFLAC, "flac"},
                                                  {FormatOpus, "ogg"},
                                                  {FormatAAC, "mov,mp4,m4a,3gp,3g2,mj2"},
                                                  {FormatVorbis, "ogg"}};
    for (const auto& [format, container] : containers)
        EXPECT_EQ(ProbeMedia(convert(format)).container, container);
}
