#include "convert/StatusDlg.h"

#include "ConversionWatcher.h"
#include "MainWindowRig.h"
#include "res/Pictures.h"

#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {
// A stand-in encoder under the program's encoder name: it logs each start,
// reports 15 s of progress and then acts by the source's name (see the case
// below); "hang" ignores SIGTERM, "summary" sends chunks holding no time.
const char* const kScript = R"(#!/bin/sh
dir=$(dirname "$0")
for last; do :; done
echo "start $2" >> "$dir/starts.log"
printf 'size=     652kB time=00:00:15.00 bitrate= 128.0kbits/s speed=1x\r' >&2
sleep 0.3
case "$2" in
  *bad*) exit 1 ;;
  *partial*) echo partial > "$last"; exit 1 ;;
  *hang*) trap '' TERM; echo partial > "$last"; exec sleep 30 ;;
  *summary*)
    printf 'size=     700kB ti' >&2; sleep 0.2
    printf 'me=00:00:16.00 bitrate= 128.0kbits/s\r' >&2; sleep 0.2
    printf 'video:0kB audio:235kB subtitle:0kB muxing overhead: 0.1%%\n' >&2; sleep 0.2 ;;
esac
echo audio > "$last"
exit 0
)";

} // namespace

class StatusDlgTest : public ::testing::Test, protected MainWindowRig {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.isValid());
        folder = program.path() + "/";
        ASSERT_TRUE(WriteFile(folder + "vexa.exe", kScript));
        QFile(folder + "vexa.exe")
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SetOutputFolder(folder + "out");
        main.SetOutputFormatRadios(1);
    }

    void Add(const QString& name, int seconds = 30) {
        ASSERT_TRUE(main.AppendTask("/videos/" + name, seconds));
    }
    QStringList Starts() {
        QFile log(folder + "starts.log");
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // A file already in the output folder before the conversion.
    void WriteOutputFile(const QString& name, const QByteArray& contents) {
        ASSERT_TRUE(WriteFile(folder + "out/" + name, contents));
    }
    QByteArray ReadOutputFile(const QString& name) { return ReadFile(folder + "out/" + name); }
    QStringList OutputFolder() { return FilesIn(folder + "out"); }
    // Acts on the dialog once it shows `starts` tasks started and `ready` holds.
    void WhenRunning(
        ConversionWatcher& watcher, std::function<void(CStatusDlg*)> act,
        std::function<bool()> ready = [] { return true; }, int starts = 1) {
        QTimer::singleShot(0, [this, &watcher, act, ready, starts] {
            WaitUntil([&] { return watcher.Dialog() && Starts().size() == starts && ready(); },
                      10000);
            QTest::qWait(100);
            act(watcher.Dialog());
        });
    }
    static void PressStop(CStatusDlg* dlg) {
        QTest::mouseClick(GetDlgItemAs<QPushButton>(dlg, IDC_STOP), Qt::LeftButton);
    }

    QString folder;
};

// An empty list, and AC3 at 22050 Hz which the encoder refuses, are turned
// down before anything is written or started.
TEST_F(StatusDlgTest, RefusedConversionsWriteAndStartNothing) {
    for (const bool ac3 : {false, true}) {
        boxes.boxes.clear();
        if (ac3) {
            Add("a.avi");
            main.SetOutputFormatRadios(3);
            main.sampleRateList->setCurrentIndex(3);
        }
        main.OnCommand(IDC_CONVERT);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text,
                  ac3 ? "AC3 does not support a sample rate of 22050 Hz. Please choose 48000, "
                        "44100 or 32000 Hz."
                      : "No source file is ready! Please add a source file.");
        EXPECT_EQ(boxes.boxes[0].caption, "WARNING");
        EXPECT_FALSE(QFile::exists(folder + "option.ini"));
        EXPECT_TRUE(Starts().isEmpty());
    }
}

// The tasks run in order under their captions; the end opens the folder
// (its message is the main window's test). Chunks without a time (a progress
// line cut between two reads, the closing summary) leave the bars and texts
// where the last progress line put them; progress beyond the clip fills the bar.
TEST_F(StatusDlgTest, TasksRunInOrderWithCaptionsAndProgress) {
    for (const char* name : {"clip one.avi", "summary.avi", "one.avi", "four.avi"})
        Add(name, QString(name) == "one.avi" ? 10 : 30); // the encoder reports 15 s
    ConversionWatcher watcher;
    main.OnCommand(IDC_CONVERT);
    EXPECT_EQ(Starts(), QStringList({"start /videos/clip one.avi", "start /videos/summary.avi",
                                     "start /videos/one.avi", "start /videos/four.avi"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].verb, "open");
    EXPECT_EQ(shell.requests[0].file, folder + "out");
    const qsizetype first = watcher.captions.indexOf("The current task is 1");
    EXPECT_GE(first, 0);
    EXPECT_GT(watcher.captions.indexOf("The current task is 2"), first);
    EXPECT_EQ(watcher.captions.last(), "Finished");
    EXPECT_EQ(watcher.taskBarsAtEnd, QList<int>({50, 50, 100, 50}));
    const QStringList shown = watcher.currents.values();
    EXPECT_EQ(shown.filter(" 50% Finished").size(), 1) << shown.join(" | ").toStdString();
    EXPECT_TRUE(shown.filter(" 0% Finished").isEmpty()) << shown.join(" | ").toStdString();
    // The second of four tasks at half its clip.
    EXPECT_TRUE(watcher.totals.contains("37|Current Task 2.  Total tasks: 4 ---  37% Finished"))
        << QStringList(watcher.totals.values()).join(", ").toStdString();
}

// A failed task (each kind's reason is the engine's) lets the rest go on; the
// final message names the failures with their reasons, a failed task leaves
// no output, and the user's file under its name is back. Each row then shows
// what became of its task, a failed one says why; the next conversion starts
// every row afresh.
TEST_F(StatusDlgTest, FailedTasksAreNamedInTheMessageAndTheirRowsAndGiveBackTheUsersFile) {
    ASSERT_NO_FATAL_FAILURE(WriteOutputFile("partial.mp3", "the user's own partial.mp3"));
    Add("good.avi");
    Add(QString(QChar(0x202E)) + "bad.avi"); // a direction mark in a name is not shown
    Add("partial.avi");
    main.OnCommand(IDC_CONVERT); // returns: the dialog no longer waits forever
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "WARNING");
    EXPECT_EQ(boxes.boxes[0].text, "Converted 1 of 3 files and saved them to " + folder +
                                       "out.\n\nThese files could not be converted:\n"
                                       "/videos/bad.avi: the encoder ended with code 1\n"
                                       "/videos/partial.avi: the encoder ended with code 1");
    EXPECT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(OutputFolder(), QStringList({"good.mp3", "partial.mp3"}));
    EXPECT_EQ(ReadOutputFile("partial.mp3"), "the user's own partial.mp3");
    EXPECT_EQ(main.taskList->GetItemImage(0), TaskImageDone);
    EXPECT_EQ(main.taskList->GetItemToolTip(0), "");
    EXPECT_EQ(main.taskList->GetItemImage(1), TaskImageFailed);
    EXPECT_EQ(main.taskList->GetItemToolTip(1),
              "Could not be converted: the encoder ended with code 1");
    // A selected row shows its picture as it is, not tinted by the selection.
    for (const int row : {0, 1}) {
        main.taskList->SelectItem(row);
        const QImage picture =
            main.taskList->GetImage(main.taskList->GetItemImage(row)).pixmap(16).toImage();
        const QImage shown =
            main.taskList->viewport()
                ->grab(main.taskList->visualItemRect(main.taskList->topLevelItem(row)))
                .toImage();
        bool found = false;
        for (int dx = 0; dx + 16 <= shown.width() && dx < 40 && !found; ++dx)
            for (int dy = 0; dy + 16 <= shown.height() && !found; ++dy) {
                found = true;
                for (int y = 0; y < 16 && found; ++y)
                    for (int x = 0; x < 16 && found; ++x)
                        found = qAlpha(picture.pixel(x, y)) < 255 ||
                                shown.pixel(dx + x, dy + y) == picture.pixel(x, y);
            }
        EXPECT_TRUE(found) << row;
    }
    Add("new.avi");
    QFile(folder + "vexa.exe").setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    main.OnCommand(IDC_CONVERT);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(main.taskList->GetItemToolTip(row),
                  "Could not be converted: the encoder could not be started: permission denied")
            << row;
}

// STOP answered No at once lets the task go on. When the last task ends while
// the question is open, nothing shows under it, and whatever the answer the
// conversion has finished, at once.
TEST_F(StatusDlgTest, StopAnsweredNoOrWhileTheLastTaskEndsFinishesTheConversion) {
    for (const auto& [answer, endUnderQuestion] :
         {std::pair{IDNO, false}, std::pair{IDNO, true}, std::pair{IDYES, true}}) {
        SCOPED_TRACE(answer + 10 * endUnderQuestion);
        main.OnCommand(ID_OPERATION_DELETE_ALL);
        QFile::remove(folder + "starts.log");
        boxes.boxes.clear();
        shell.requests.clear();
        Add("one.avi");
        boxes.answers.push_back(answer);
        size_t boxesUnderQuestion = 0;
        QElapsedTimer sinceAnswer;
        boxes.onShow = [&](const MessageBoxRequest& request) {
            if (request.caption != "Question")
                return;
            auto* dlg = qobject_cast<CStatusDlg*>(QApplication::activeModalWidget());
            if (endUnderQuestion) {
                const auto* engine = dlg ? dlg->findChild<ConversionEngine*>() : nullptr;
                WaitUntil([&] { return engine && engine->Totals().succeeded == 1; }, 10000);
                QTest::qWait(50);
            }
            boxesUnderQuestion = boxes.boxes.size();
            sinceAnswer.start();
        };
        ConversionWatcher watcher;
        WhenRunning(watcher, PressStop);
        main.OnCommand(IDC_CONVERT);
        boxes.onShow = nullptr;
        EXPECT_EQ(boxesUnderQuestion, 1u);
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, "Do you want to stop the conversion?");
        EXPECT_EQ(boxes.boxes[0].caption, "Question");
        EXPECT_EQ(boxes.boxes[1].caption, "Congratulations!");
        EXPECT_EQ(shell.requests.size(), 1u);
        EXPECT_LT(sinceAnswer.elapsed(), 1500); // no pause as after stopping an encoder
        EXPECT_EQ(ReadOutputFile("one.mp3"), "audio\n");
    }
}

// STOP answered Yes, or Escape without asking, ends the dialog: the encoder is
// killed even though it ignores SIGTERM, its unfinished output is removed, the
// user's file under its name is back, and no further task starts.
TEST_F(StatusDlgTest, StopOrEscapeKillsTheEncoderAndGivesBackTheUsersFile) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        main.OnCommand(ID_OPERATION_DELETE_ALL);
        boxes.boxes.clear();
        QFile::remove(folder + "starts.log");
        ASSERT_NO_FATAL_FAILURE(WriteOutputFile("hang.mp3", "the user's own file"));
        Add("hang.avi");
        Add("two.avi");
        ConversionWatcher watcher;
        WhenRunning(
            watcher,
            [escape](CStatusDlg* dlg) {
                escape ? QTest::keyClick(dlg, Qt::Key_Escape) : PressStop(dlg);
            },
            [this] { return ReadOutputFile("hang.mp3") == "partial\n"; });
        QElapsedTimer timer;
        timer.start();
        main.OnCommand(IDC_CONVERT);
        EXPECT_LT(timer.elapsed(), 20000);               // not the 30 s the encoder would wait
        EXPECT_GE(timer.elapsed(), escape ? 0 : 2000);   // the pause after the stop request
        EXPECT_EQ(boxes.boxes.size(), escape ? 0u : 1u); // the question only, or none
        EXPECT_EQ(Starts(), QStringList({"start /videos/hang.avi"}));
        EXPECT_EQ(OutputFolder(), QStringList({"hang.mp3"}));
        EXPECT_EQ(ReadOutputFile("hang.mp3"), "the user's own file");
        EXPECT_TRUE(shell.requests.empty());
        EXPECT_EQ(main.taskList->GetItemToolTip(0), "Stopped before it was finished.");
    }
}

// STOP with two encoders running ends both, removes both unfinished files,
// gives back the user's file and starts nothing more; meanwhile the upper line
// follows the lowest-numbered task still running.
TEST_F(StatusDlgTest, StopWithTwoEncodersRunningEndsBoth) {
    if (QThread::idealThreadCount() < 2)
        GTEST_SKIP() << "one processor";
    main.OnCommand(ID_OPERATION_SIMULTANEOUS);
    ASSERT_NO_FATAL_FAILURE(WriteOutputFile("hang one.mp3", "the user's own file"));
    Add("hang one.avi");
    Add("hang two.avi");
    Add("three.avi");
    ConversionWatcher watcher;
    WhenRunning(
        watcher, PressStop,
        [this] {
            return ReadOutputFile("hang one.mp3") == "partial\n" &&
                   ReadOutputFile("hang two.mp3") == "partial\n";
        },
        2);
    QElapsedTimer timer;
    timer.start();
    main.OnCommand(IDC_CONVERT);
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_GE(timer.elapsed(), 2000);
    EXPECT_EQ(Starts().size(), 2);
    EXPECT_TRUE(ChildProcesses().isEmpty());
    EXPECT_EQ(OutputFolder(), QStringList({"hang one.mp3"}));
    EXPECT_EQ(ReadOutputFile("hang one.mp3"), "the user's own file");
    EXPECT_EQ(boxes.boxes.size(), 1u); // the question only
    EXPECT_TRUE(watcher.captions.contains("Converting   hang one.avi ..."));
    EXPECT_TRUE(watcher.captions.filter("hang two").isEmpty());
    // The rows show two stopped tasks and one that never started.
    EXPECT_EQ(main.taskList->GetItemImage(0), TaskImageStopped);
    EXPECT_EQ(main.taskList->GetItemImage(1), TaskImageStopped);
    EXPECT_EQ(main.taskList->GetItemImage(2), TaskImageVideoFile);
}

// Keep Original: each task is written in its own track's container, and an
// encoder that wrote it there has converted it.
TEST_F(StatusDlgTest, KeepOriginalCountsEachContainerAsConverted) {
    SoundTrack aac;
    aac.format = "AAC";
    ASSERT_TRUE(main.AppendTask("/videos/a.mp4", 30, {aac}));
    Add("b.flv"); // its track unknown
    main.SetOutputFormatRadios(FormatKeepOriginal);
    main.OnCommand(IDC_CONVERT);
    EXPECT_EQ(OutputFolder(), QStringList({"a.m4a", "b.mka"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!") << boxes.boxes[0].text.toStdString();
}

// Even loudness: the first pass shows as "Measuring loudness" and counts as
// the first half of the task; with Keep Original the item does not apply.
TEST_F(StatusDlgTest, EvenLoudnessShowsItsMeasuringPass) {
    ASSERT_TRUE(WriteFile(folder + "vexa.exe", R"(#!/bin/sh
for last; do :; done
printf 'size=N/A time=00:00:15.00 bitrate=N/A speed=1x\r' >&2
sleep 0.3
case "$*" in *ebur128*) printf 'Summary:\n Integrated loudness:\n I: -30.0 LUFS\n Threshold: -40.0 LUFS
 Loudness range:\n LRA: 1.0 LU\n True peak:\n Peak: -20.0 dBFS\n' >&2; exit 0 ;; esac
echo audio > "$last"
)"));
    Add("a.avi");
    main.OnCommand(ID_OPERATION_EVEN_LOUDNESS);
    ConversionWatcher watcher;
    main.OnCommand(IDC_CONVERT);
    EXPECT_TRUE(watcher.currents.contains("Measuring loudness   -- 25% Finished"));
    EXPECT_TRUE(std::any_of(watcher.currents.begin(), watcher.currents.end(),
                            [](const QString& text) { return text.endsWith("-- 75% Finished"); }));
    EXPECT_EQ(OutputFolder(), QStringList{"a.mp3"});
    EXPECT_TRUE(ReadFile(folder + "option.ini").contains("EvenOutLoudness=1"));
    main.OnCommand(IDC_KEEP_ORIGINAL);
    EXPECT_FALSE(main.menuBar->findChild<QAction*>(QString("cmd%1").arg(ID_OPERATION_EVEN_LOUDNESS))
                     ->isEnabled());
}
