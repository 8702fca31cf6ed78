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
// The encoder's stand-in: logs each start, reports 15 s, then acts by the
// source's name; "hang" ignores SIGTERM, "summary" sends chunks without a time.
const char* const kScript = R"(#!/bin/sh
dir=$(dirname "$0")
for last; do :; done
echo "start $2" >> "$dir/starts.log"
printf 'size=     652kB time=00:00:15.00 bitrate= 128.0kbits/s speed=1x\r' >&2
sleep 0.3
case "$*" in *ebur128*) printf 'Summary:\n Integrated loudness:\n I: -30.0 LUFS\n Threshold: -40.0 LUFS
 Loudness range:\n LRA: 1.0 LU\n True peak:\n Peak: -20.0 dBFS\n' >&2; exit 0 ;; esac
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

// Turned down before anything is written or started: an empty list, and AC3
// at 22050 Hz. Chunks without a time (a line cut between two reads, the
// closing summary) leave bars and texts as they were; progress beyond the clip
// fills the bar.
TEST_F(StatusDlgTest, RefusedConversionsStartNothingThenTasksRunInOrderWithProgress) {
    main.OnCommand(IDC_CONVERT);
    for (const char* name : {"clip one.avi", "summary.avi", "one.avi", "four.avi"})
        Add(name, QString(name) == "one.avi" ? 10 : 30); // the encoder reports 15 s
    main.SetOutputFormatRadios(3);
    main.sampleRateList->setCurrentIndex(3);
    main.OnCommand(IDC_CONVERT);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "No source file is ready! Please add a source file.");
    EXPECT_EQ(boxes.boxes[1].text, "AC3 does not support a sample rate of 22050 Hz. Please "
                                   "choose 48000, 44100 or 32000 Hz.");
    for (const MessageBoxRequest& box : boxes.boxes)
        EXPECT_EQ(box.caption, "WARNING");
    EXPECT_FALSE(QFile::exists(folder + "option.ini"));
    EXPECT_TRUE(Starts().isEmpty());
    boxes.boxes.clear();
    main.SetOutputFormatRadios(1);
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
    EXPECT_TRUE(watcher.totals.contains("37|Current Task 2.  Total tasks: 4 ---  37% Finished"))
        << QStringList(watcher.totals.values()).join(", ").toStdString();
}

// Each failed task is named with its reason in the message and on its row; the
// next conversion starts every row afresh.
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
        const QIcon icon = main.taskList->GetImage(main.taskList->GetItemImage(row));
        EXPECT_EQ(icon.pixmap(16, QIcon::Selected).toImage(), icon.pixmap(16).toImage()) << row;
    }
    Add("new.avi");
    QFile(folder + "vexa.exe").setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    main.OnCommand(IDC_CONVERT);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(main.taskList->GetItemToolTip(row),
                  "Could not be converted: the encoder could not be started: permission denied")
            << row;
}

// When the last task ends under the question, nothing shows under it and,
// whatever the answer, the conversion has finished at once.
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

// STOP answered Yes (one encoder) or Escape (two at once): the upper line
// follows the lowest-numbered task still running.
TEST_F(StatusDlgTest, StopOrEscapeKillsTheEncodersAndGivesBackTheUsersFile) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape);
        if (escape && QThread::idealThreadCount() < 2)
            GTEST_SKIP() << "one processor";
        main.OnCommand(ID_OPERATION_DELETE_ALL);
        boxes.boxes.clear();
        QFile::remove(folder + "starts.log");
        ASSERT_NO_FATAL_FAILURE(WriteOutputFile("hang one.mp3", "the user's own file"));
        Add("hang one.avi");
        Add(escape ? "hang two.avi" : "two.avi");
        if (escape) {
            Add("three.avi");
            main.OnCommand(ID_OPERATION_SIMULTANEOUS);
        }
        ConversionWatcher watcher;
        WhenRunning(
            watcher,
            [escape](CStatusDlg* dlg) {
                escape ? QTest::keyClick(dlg, Qt::Key_Escape) : PressStop(dlg);
            },
            [this, escape] {
                return ReadOutputFile("hang one.mp3") == "partial\n" &&
                       (!escape || ReadOutputFile("hang two.mp3") == "partial\n");
            },
            escape ? 2 : 1);
        QElapsedTimer timer;
        timer.start();
        main.OnCommand(IDC_CONVERT);
        EXPECT_LT(timer.elapsed(), 20000);               // not the 30 s the encoder would wait
        EXPECT_GE(timer.elapsed(), escape ? 0 : 2000);   // the pause after the stop request
        EXPECT_EQ(boxes.boxes.size(), escape ? 0u : 1u); // the question only, or none
        EXPECT_EQ(Starts().size(), escape ? 2 : 1);
        EXPECT_TRUE(ChildProcesses().isEmpty());
        EXPECT_EQ(OutputFolder(), QStringList({"hang one.mp3"}));
        EXPECT_EQ(ReadOutputFile("hang one.mp3"), "the user's own file");
        EXPECT_TRUE(shell.requests.empty());
        EXPECT_TRUE(watcher.captions.contains("Converting   hang one.avi ..."));
        EXPECT_TRUE(watcher.captions.filter("hang two").isEmpty());
        EXPECT_EQ(main.taskList->GetItemToolTip(0), "Stopped before it was finished.");
        EXPECT_EQ(main.taskList->GetItemImage(0), TaskImageStopped);
        EXPECT_EQ(main.taskList->GetItemImage(1), escape ? TaskImageStopped : TaskImageVideoFile);
        EXPECT_EQ(main.taskList->GetItemImage(main.taskList->GetItemCount() - 1),
                  TaskImageVideoFile); // never started
    }
}

// With Keep Original the item does not apply.
TEST_F(StatusDlgTest, EvenLoudnessShowsItsMeasuringPass) {
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
