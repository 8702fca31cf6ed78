// A task list converted by the real encoder through the real main window,
// clip dialog and conversion dialog, for each output format; and the sound
// tracks of real files through a task's command line.

#include "ConversionWatcher.h"
#include "MainWindowRig.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "convert/JobBuilder.h"
#include "platform/CommandLine.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <QComboBox>
#include <QProcess>
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
    int sampleRate;
    int channels;
    const char* extension;
};

const QString kSpacedName = QString::fromUtf8("clip \u00e9t\u00e9 \u00fcber.mp4");
constexpr double kSourceSeconds = 4.0;

// In the open clip dialog: selects from 1 s to 3 s and presses OK. (How the
// slider moves is the clip dialog's test; here the clip reaches the encoder.)
void ChooseClip() {
    auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget());
    if (!dlg)
        return;
    dlg->rangeSlider->SetSelection(1.0, 3.0);
    QTest::mouseClick(GetDlgItemAs<QPushButton>(dlg, IDC_OK), Qt::LeftButton);
}
} // namespace

class ConvertEndToEnd : public ::testing::TestWithParam<FormatCase>, protected MainWindowRig {
protected:
    static void SetUpTestSuite() {
        media = std::make_unique<QTemporaryDir>();
        ok = MakeMedia(media->path() + "/plain.avi", kSourceSeconds, &error) &&
             MakeMedia(media->path() + "/" + kSpacedName, kSourceSeconds, &error);
    }
    static void TearDownTestSuite() { media.reset(); }

    void SetUp() override {
        ASSERT_TRUE(ok) << error.toStdString();
        // The encoder reads the sources at twice their speed, as it reads a
        // long video: a few seconds are encoded at once otherwise, and their
        // one progress line with a time can then come in one read with the
        // first line (at 0 s), where it counts for nothing.
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

    // The second task is cut to a clip chosen in the clip dialog.
    main.taskList->SelectItem(1);
    QTimer::singleShot(0, [] { ChooseClip(); });
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
    // The encoder's progress reached the dialog while it ran. (Which line comes
    // last depends on how the pipe cuts the encoder's output under load.)
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
                      // Opus: 320 kbit/s mono at 44100 Hz gives 256 kbit/s at 48000 Hz.
                      FormatCase{FormatOpus, 12, 1, 0, "opus", 48000, 1, "opus"},
                      FormatCase{FormatFLAC, 8, 3, 0, "flac", 22050, 1, "flac"},
                      FormatCase{FormatAAC, 12, 3, 1, "aac", 22050, 2, "m4a"},
                      FormatCase{FormatVorbis, 0, 1, 1, "vorbis", 44100, 2, "ogg"}),
    [](const auto& test) { return std::string(test.param.extension); });

namespace {

// The encoder's checksum over every packet of a file's n-th sound track.
QByteArray PacketHash(const QString& path, int track) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", path, "-map", QString("0:a:%1").arg(track), "-c",
                       "copy", "-f", "streamhash", "-hash", "sha256", "-"});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QByteArray();
    const QByteArray line = p.readAllStandardOutput();
    const qsizetype at = line.indexOf("SHA256=");
    return at < 0 ? QByteArray() : line.mid(at).trimmed();
}

} // namespace

// Keep Original stores the track a task names bit for bit in the container of
// its format. (That every format's command line names the chosen track is
// the encoder command's table; here the encoder takes that track.)
class SoundTrackConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<QTemporaryDir>();
        ready = media.Make(folder->path(), &error) &&
                MakeVideo(folder->filePath("long.mkv"), kSourceSeconds,
                          {{"aac", 2, 48000, QString(), QString(), true, 440}}, &error);
    }
    static void TearDownTestSuite() { folder.reset(); }
    void SetUp() override { ASSERT_TRUE(ready) << error.toStdString(); }

    // The tracks the library reads, with `chosen` as the user's choice.
    static TaskTracks Probe(const QString& path, int chosen = -1) {
        CMediaInfoProbe probe;
        const MediaProbeResult result = probe.Probe(path);
        EXPECT_TRUE(result.tracksKnown) << path.toStdString();
        return TaskTracks{result.tracks, chosen};
    }

    // Converts the task as its command line says; the output's path.
    QString Convert(const QString& source, const TaskTracks& tracks, int format,
                    double clipStart = 0, double clipLength = 1.0) {
        TaskRecord task{};
        task.duration = clipStart == 0 && clipLength == 1.0 ? 1.0 : kSourceSeconds;
        task.clipStart = clipStart;
        task.clipLength = clipLength;
        EXPECT_TRUE(SetFixedText(task.sourcePath, source));
        EXPECT_TRUE(SetFixedText(task.title, GetTitle(source)));
        const OutputSettings settings{output.path(), format, 128, 44100, 2};
        QStringList args = CommandLineToArgv(
            BuildJob({task, tracks}, settings, BinDir() + "vexa.exe").commandLine);
        const QString program = args.takeFirst();
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return BuildOutputPath(output.path(), GetTitle(source),
                               TaskOutputExtension(format, tracks));
    }

    static inline std::unique_ptr<QTemporaryDir> folder;
    static inline TestMediaSet media;
    static inline bool ready = false;
    static inline QString error;
    QTemporaryDir output;
};

TEST_F(SoundTrackConversion, KeepOriginalCopiesEachTrackPacketForPacket) {
    const struct {
        QString source;
        int chosen;
        int track; // the source's track that is copied
        const char* extension;
        const char* codec;
        int channels;
    } cases[] = {
        {media.twoTrackMkv, -1, 0, "m4a", "aac", 2}, // the default track
        {media.twoTrackMkv, 1, 1, "ac3", "ac3", 6},
        {media.aacMp4, -1, 0, "m4a", "aac", 2},
        {media.mp3Avi, -1, 0, "mp3", "mp3", 1},
    };
    for (const auto& c : cases) {
        const QString kept = Convert(c.source, Probe(c.source, c.chosen), FormatKeepOriginal);
        SCOPED_TRACE(kept.toStdString());
        EXPECT_TRUE(kept.endsWith(QString(".") + c.extension));
        const MediaFacts facts = ProbeMedia(kept);
        ASSERT_TRUE(facts.ok);
        EXPECT_EQ(facts.codec, c.codec);
        EXPECT_EQ(facts.channels, c.channels);
        const QByteArray hash = PacketHash(c.source, c.track);
        ASSERT_FALSE(hash.isEmpty());
        EXPECT_EQ(PacketHash(kept, 0), hash);
    }
}

TEST_F(SoundTrackConversion, AClipKeptOriginalLastsTheClip) {
    const QString source = folder->filePath("long.mkv");
    const QString kept = Convert(source, Probe(source), FormatKeepOriginal, 1.2, 2.0);
    EXPECT_TRUE(kept.endsWith(".m4a"));
    EXPECT_NEAR(ProbeMedia(kept).duration, 2.0, 0.2);
}

// FLAC holds the very samples of the WAV conversion; each more format is
// written in its container.
TEST_F(SoundTrackConversion, FlacHoldsTheSamplesOfTheWavAndEachFormatItsContainer) {
    const auto samples = [](const QString& path) {
        QProcess p;
        p.start("ffmpeg", {"-v", "error", "-i", path, "-f", "hash", "-"});
        return p.waitForFinished(60000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                             : QByteArray();
    };
    const QByteArray wav = samples(Convert(media.aacMp4, {}, FormatWAV));
    ASSERT_TRUE(wav.startsWith("SHA256=")) << wav.data();
    EXPECT_EQ(samples(Convert(media.aacMp4, {}, FormatFLAC)), wav);
    const std::pair<int, QString> containers[] = {{FormatFLAC, "flac"},
                                                  {FormatOpus, "ogg"},
                                                  {FormatAAC, "mov,mp4,m4a,3gp,3g2,mj2"},
                                                  {FormatVorbis, "ogg"}};
    for (const auto& [format, container] : containers)
        EXPECT_EQ(ProbeMedia(Convert(media.aacMp4, {}, format)).container, container);
}
