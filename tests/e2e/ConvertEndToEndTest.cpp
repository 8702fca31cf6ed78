// A task list converted by the real encoder through the real main window,
// clip dialog and conversion dialog, for each output format; a user's own
// file under a task's output name, when the task is stopped or succeeds; and the sound tracks of
// real files through a task's command line.

#include "ConversionWatcher.h"
#include "MainWindowRig.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "convert/EncoderCommand.h"
#include "platform/CommandLine.h"
#include "platform/ListCtrl.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include "platform/Process.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// In the open clip dialog: drags the start handle a quarter of the track to
// the right, pulls the end in with Shift+Left, notes the selection and
// presses OK.
void ChooseClip(double& start, double& end) {
    auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget());
    if (!dlg)
        return;
    if (!QTest::qWaitForWindowExposed(dlg))
        return dlg->reject();
    CRangeSlider* slider = dlg->rangeSlider;
    slider->repaint();
    const RangeSliderFields& f = slider->Fields();
    const SliderRect& handle = f.startHandleRect;
    const QPoint grab((handle.left + handle.right) / 2, (handle.top + handle.bottom) / 2);
    const QPoint drop = grab + QPoint(f.trackWidth / 4, 0);
    QTest::mousePress(slider, Qt::LeftButton, {}, grab);
    QTest::mouseMove(slider, drop);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, drop);
    for (int i = 0; i < f.trackWidth / 5; ++i)
        QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
    slider->GetSelection(start, end);
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
        ASSERT_TRUE(LinkEncoder());
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
    double start = -1, end = -1;
    main.taskList->SelectItem(1);
    QTimer::singleShot(0, [&] { ChooseClip(start, end); });
    main.OnCommand(IDC_MOVIE_CLIP);
    ASSERT_GT(start, 0.5);
    ASSERT_LT(end, kSourceSeconds - 0.5);
    EXPECT_DOUBLE_EQ(taskTable[1].clipStart, start);

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
    EXPECT_NEAR(clip.duration, end - start, 0.2);

    QFile ini(program.path() + "/option.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString settings = QString::fromUtf8(ini.readAll());
    for (const QString& line :
         {QString("OutputFormat=%1").arg(c.format), QString("AudioBitrate=%1").arg(c.bitrateIndex),
          QString("SampleRate=%1").arg(c.sampleRateIndex),
          QString("Channel=%1").arg(c.channelIndex), "OutputPath=" + folder})
        EXPECT_TRUE(settings.contains(line)) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertEndToEnd,
                         ::testing::Values(FormatCase{1, 8, 1, 1, "mp3", 44100, 2, "mp3"},
                                           FormatCase{2, 0, 2, 0, "pcm_s16le", 32000, 1, "wav"},
                                           FormatCase{3, 9, 0, 1, "ac3", 48000, 2, "ac3"}),
                         [](const auto& info) { return std::string(info.param.extension); });

namespace {

// Feeds the first half of a source to the encoder through a named pipe, in
// small pieces over more than a second so that the encoder, much faster than
// real time, reports progress on the way; then holds the pipe open, so that a
// task can be caught half-way however fast the encoder is.
class HalfFeeder {
public:
    HalfFeeder(const QString& fifo, const QByteArray& data)
        : path(QFile::encodeName(fifo)), made(::mkfifo(path.constData(), 0600) == 0) {
        if (made)
            worker = std::jthread([this, data](std::stop_token stop) { Feed(stop, data); });
    }
    bool Made() const { return made; }

private:
    void Feed(const std::stop_token& stop, const QByteArray& data) {
        using namespace std::chrono_literals;
        CFileDescriptor fd;
        // Opening without a reader fails at once; the encoder opens it later.
        while (!fd.IsOpen() && !stop.stop_requested()) {
            fd.Reset(::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
            std::this_thread::sleep_for(10ms);
        }
        if (!fd.IsOpen())
            return;
        ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
        const qsizetype half = data.size() / 2;
        for (qsizetype done = 0; done < half && !stop.stop_requested(); done += 16384) {
            if (!WriteAll(fd.Get(), data.constData() + done,
                          size_t(std::min<qsizetype>(16384, half - done))))
                return;
            std::this_thread::sleep_for(80ms);
        }
        while (!stop.stop_requested())
            std::this_thread::sleep_for(10ms);
    }

    const QByteArray path;
    const bool made;
    std::jthread worker; // last: stopped and joined before the rest goes
};

constexpr double kLongSeconds = 60.0;
const QByteArray kUsersFile =
    QByteArray("the user's own clip one.mp3, not to be lost\n").repeated(300);

} // namespace

// The user's own "clip one.mp3" lies in the output folder; the task converting
// "clip one.mka" is stopped half-way (true) or succeeds (false). The source has
// sound only: the MP3 writer holds back all sound while a video stream might
// still give it a cover picture, and it writes in blocks of a few hundred kB,
// so half of this source reaches the file.
class UsersFileUnderTheOutputName : public ::testing::TestWithParam<bool>, protected MainWindowRig {
protected:
    static void SetUpTestSuite() {
        media = std::make_unique<QTemporaryDir>();
        ok = MakeSound(media->path() + "/clip one.mka", kLongSeconds, &error);
    }
    static void TearDownTestSuite() { media.reset(); }

    void SetUp() override {
        ASSERT_TRUE(ok) << error.toStdString();
        ASSERT_TRUE(LinkEncoder());
        out = output.path() + "/audio out";
        ASSERT_TRUE(WriteFile(out + "/clip one.mp3", kUsersFile));
        SetOutputFolder(out);
        main.SetOutputFormatRadios(1);
    }

    QStringList OutputFolder() const { return FilesIn(out); }

    static inline std::unique_ptr<QTemporaryDir> media;
    static inline bool ok = false;
    static inline QString error;
    QTemporaryDir output;
    QTemporaryDir pipes;
    QString out;
};

TEST_P(UsersFileUnderTheOutputName, IsReplacedOnlyByATaskThatSucceeded) {
    const bool stopped = GetParam();
    QString source = media->path() + "/clip one.mka";
    std::optional<HalfFeeder> feeder;
    if (stopped) {
        feeder.emplace(pipes.path() + "/clip one.mka", ReadFile(source));
        ASSERT_TRUE(feeder->Made());
        source = pipes.path() + "/clip one.mka";
    }
    ASSERT_TRUE(main.AppendTask(source, int(kLongSeconds)));

    ConversionWatcher watcher;
    bool halfWay = false;
    if (stopped) {
        // Half-way: the user's file set aside, the encoder writing, progress shown.
        QTimer::singleShot(0, [&] {
            halfWay = WaitUntil(
                [&] {
                    const QStringList shown = watcher.currents.values();
                    return watcher.Dialog() && OutputFolder().size() == 2 &&
                           QFileInfo(out + "/clip one.mp3").size() > 0 &&
                           !shown.filter(QRegularExpression(" [1-9][0-9]?% Finished$")).isEmpty();
                },
                30000);
            QTest::mouseClick(GetDlgItemAs<QPushButton>(watcher.Dialog(), IDC_STOP),
                              Qt::LeftButton);
        });
    }
    main.OnCommand(IDC_CONVERT);

    EXPECT_EQ(OutputFolder(), QStringList({"clip one.mp3"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    if (stopped) {
        EXPECT_TRUE(halfWay) << QStringList(watcher.currents.values()).join(" | ").toStdString();
        EXPECT_TRUE(ReadFile(out + "/clip one.mp3") == kUsersFile)
            << "the user's file is not back as it was";
        EXPECT_EQ(boxes.boxes[0].caption, "Question");
        return;
    }
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!") << boxes.boxes[0].text.toStdString();
    const MediaFacts facts = ProbeMedia(out + "/clip one.mp3");
    EXPECT_EQ(facts.codec, "mp3");
    EXPECT_NEAR(facts.duration, kLongSeconds, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, UsersFileUnderTheOutputName, ::testing::Bool(),
                         [](const auto& info) {
                             return std::string(info.param ? "Stopped" : "Succeeded");
                         });

namespace {

// Runs a program to its end; its standard output, empty when it failed.
QByteArray RunProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QByteArray();
    return p.readAllStandardOutput();
}

// The encoder's checksum over every packet of a file's n-th sound track.
QByteArray PacketHash(const QString& path, int track) {
    const QByteArray line =
        RunProgram("ffmpeg", {"-v", "error", "-i", path, "-map", QString("0:a:%1").arg(track), "-c",
                              "copy", "-f", "streamhash", "-hash", "sha256", "-"});
    const qsizetype at = line.indexOf("SHA256=");
    return at < 0 ? QByteArray() : line.mid(at).trimmed();
}

// The pitch of a sine tone in Hz: periods over the time from the first rise
// through a band around zero to the last, so that silence the coder adds at
// the edges and its noise there count for nothing.
double ToneFrequency(const QString& path) {
    constexpr int kRate = 44100;
    const QByteArray pcm = RunProgram("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac",
                                                 "1", "-ar", QString::number(kRate), "-"});
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    constexpr int kBand = 500;
    qsizetype first = -1, last = -1;
    int rises = 0;
    bool low = false;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        if (samples[i] < -kBand) {
            low = true;
        } else if (low && samples[i] > kBand) {
            low = false;
            first = first < 0 ? i : first;
            last = i;
            ++rises;
        }
    }
    return rises > 1 ? (rises - 1) / (double(last - first) / kRate) : 0;
}

} // namespace

// Each task converts the track it names; Keep Original stores it bit for bit
// in the container of its format.
class SoundTrackConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<QTemporaryDir>();
        ready = media.Make(folder->path(), &error) &&
                MakeVideo(folder->filePath("long.mkv"), kSourceSeconds, AacMp4Tracks(), &error);
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
        QStringList args =
            CommandLineToArgv(BuildTaskCommandLine(task, tracks, settings, BinDir() + "vexa.exe"));
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

TEST_F(SoundTrackConversion, TheChosenTrackIsTheOneConverted) {
    // The tracks differ in pitch: 440 Hz first, 660 Hz second.
    for (const int chosen : {1, 0}) {
        const QString mp3 = Convert(media.twoTrackMkv, Probe(media.twoTrackMkv, chosen), FormatMP3);
        const MediaFacts facts = ProbeMedia(mp3);
        ASSERT_TRUE(facts.ok);
        EXPECT_EQ(facts.codec, "mp3");
        EXPECT_NEAR(ToneFrequency(mp3), chosen == 1 ? 660 : 440, 20) << chosen;
    }
}

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
