// The clip dialog and the main window's Movie Clip command that runs it.

#include "clip/ClipDlg.h"

#include "MainWindowRig.h"
#include "clip/RangeSlider.h"
#include "platform/ListCtrl.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/MediaProbe.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class ClipDialogTest : public ::testing::Test, protected MainWindowRig {
protected:
    void SetUp() override {
        ASSERT_TRUE(main.AppendTask("/video/first take.avi", 300));
        ASSERT_TRUE(main.AppendTask("/video/clip one.avi", 125));
        ASSERT_EQ(main.taskList->GetNextSelectedItem(-1), 1);
    }

    TaskRecord& Task() { return taskTable[1]; }
    QString Cell(int column) const { return main.taskList->GetItemText(1, column); }
    ::Task Given(int row = 1) const { return {taskTable[row], taskTracks[row]}; }
    QString Title(int row = 1) const { return main.taskList->GetItemText(row, 0); }

    // Opens the dialog as its modal run would, shown and laid out.
    void Open(CClipDlg& dlg) {
        dlg.OnInitDialog();
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        dlg.rangeSlider->repaint();
    }

    static QStringList Texts(const CClipDlg& dlg) {
        return {GetDlgItemText(&dlg, IDC_START_TEXT), GetDlgItemText(&dlg, IDC_END_TEXT),
                GetDlgItemText(&dlg, IDC_LENGTH_TEXT)};
    }

    // A time as the design shows it: whole seconds, truncated, as hh:mm:ss.
    static QString Hms(double seconds) {
        return QTime(0, 0).addSecs(static_cast<int>(seconds)).toString("hh:mm:ss");
    }

    static std::pair<double, double> Selection(const CClipDlg& dlg) {
        double s = 0, e = 0;
        dlg.rangeSlider->GetSelection(s, e);
        return {s, e};
    }

    static void Click(CClipDlg& dlg, int id) {
        QTest::mouseClick(GetDlgItemAs<QPushButton>(&dlg, id), Qt::LeftButton);
    }

    void RunMovieClip(const std::function<void(CClipDlg&)>& inside, int command = IDC_MOVIE_CLIP) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget())) {
                opened = true;
                dlg->activateWindow();
                if (QTest::qWaitForWindowActive(dlg)) {
                    dlg->rangeSlider->repaint();
                    inside(*dlg);
                }
                if (dlg->isVisible()) // a failed check leaves it open
                    dlg->reject();
            }
        });
        EXPECT_TRUE(main.OnCommand(command));
        EXPECT_TRUE(opened);
    }
};

TEST_F(ClipDialogTest, MovingTheSpanRoundsTheLengthHalfUp) {
    Task().clipStart = 10;
    Task().clipLength = 59.7;
    CClipDlg dlg(Given(), Title(), &main);
    Open(dlg);
    const RangeSliderFields& f = dlg.rangeSlider->Fields();
    const int centre = (f.startHandleRect.right + f.endHandleRect.left) / 2;
    QTest::mousePress(dlg.rangeSlider, Qt::LeftButton, {}, QPoint(centre, 8));
    QTest::mouseMove(dlg.rangeSlider, QPoint(centre + 25, 8));
    QTest::mouseRelease(dlg.rangeSlider, Qt::LeftButton, {}, QPoint(centre + 25, 8));

    const auto [s, e] = Selection(dlg);
    EXPECT_NEAR(e - s, 59.7, 1e-9);
    EXPECT_EQ(Texts(dlg), QStringList({Hms(s), Hms(e), "00:01:00"}));
}

// Crossed ends: Cancel or Escape (through the slider) store nothing, OK the clip in order.
TEST_F(ClipDialogTest, CrossedSelectionIsStoredInOrderAndCancelStoresNothing) {
    Task().clipStart = 60;
    Task().clipLength = 0;
    for (const int end : {int(IDC_CANCEL), int(Qt::Key_Escape), int(IDC_OK)}) {
        double s = 0, e = 0;
        RunMovieClip([&](CClipDlg& dlg) {
            dlg.rangeSlider->setFocus();
            for (int i = 0; i < 20; ++i)
                QTest::keyClick(dlg.rangeSlider, Qt::Key_Left, Qt::ShiftModifier);
            std::tie(s, e) = Selection(dlg);
            if (end == Qt::Key_Escape)
                QTest::keyClick(dlg.rangeSlider, Qt::Key_Escape);
            else
                Click(dlg, end);
        });
        ASSERT_LT(e, s) << end; // the slider lets the ends cross
        const bool ok = end == IDC_OK;
        EXPECT_DOUBLE_EQ(Task().clipStart, ok ? e : 60) << end;
        EXPECT_DOUBLE_EQ(Task().clipLength, ok ? s - e : 0) << end;
        EXPECT_EQ(Cell(2), ok ? Hms(s) : "00:02:05") << end;
    }
}

// Real videos after the fixture's rows: the two-track MKV (row 2), the MP3 AVI (row 3).
TEST_F(ClipDialogTest, SeveralTracksAddATrackLineWhereOnlyThePickIsStored) {
    QTemporaryDir folder;
    TestMediaSet media;
    QString error;
    ASSERT_TRUE(media.Make(folder.path(), &error)) << error.toStdString();
    main.AddFile(media.twoTrackMkv);
    main.AddFile(media.mp3Avi);
    ASSERT_EQ(main.taskList->GetItemCount(), 4);
    QDialog designed;
    BuildDialog(&designed, ClipDialogTemplate());

    CClipDlg one(Given(3), Title(3), &main);
    Open(one);
    EXPECT_EQ(GetDlgItem(&one, IDC_SOUND_TRACK), nullptr);
    EXPECT_EQ(one.size(), designed.size());

    CClipDlg two(Given(2), Title(2), &main);
    Open(two);
    ASSERT_NE(two.trackList, nullptr);
    EXPECT_EQ(two.trackList->itemText(1),
              QString::fromUtf8("2: AC-3 5.1 German \u2013 Commentary"));
    EXPECT_EQ(two.trackList->currentIndex(), 0); // the file's default track
    EXPECT_GT(two.trackList->y(), GetDlgItem(&two, IDC_LENGTH_TEXT)->geometry().bottom());
    EXPECT_LT(two.trackList->geometry().bottom(), GetDlgItem(&two, IDC_OK)->y());

    // Only the user's pick is a choice; OK after it stores it, Cancel nothing.
    main.taskList->SelectItem(2);
    const auto pickSecond = [](CClipDlg& dlg) {
        dlg.trackList->setFocus();
        QTest::keyClick(dlg.trackList, Qt::Key_Down);
        ASSERT_EQ(dlg.trackList->currentIndex(), 1);
    };

    // The list untouched, OK stores the clip but no track.
    RunMovieClip([](CClipDlg& dlg) { Click(dlg, IDC_OK); });
    EXPECT_EQ(taskTable[2].clipSet, 1);
    RunMovieClip([&](CClipDlg& dlg) {
        pickSecond(dlg);
        Click(dlg, IDC_CANCEL);
    });
    EXPECT_EQ(taskTracks[2].chosenTrack, -1);
    EXPECT_EQ(main.taskList->GetItemText(2, 3), "MKV");

    // With Keep Original the row's container follows the chosen track.
    main.OnCommand(IDC_KEEP_ORIGINAL);
    EXPECT_EQ(main.taskList->GetItemText(2, 4), "M4A");
    RunMovieClip([&](CClipDlg& dlg) {
        pickSecond(dlg);
        Click(dlg, IDC_OK);
    });
    EXPECT_EQ(taskTracks[2].chosenTrack, 1);
    EXPECT_EQ(main.taskList->GetItemText(2, 3), QString::fromUtf8("MKV \u00b7 track 2"));
    EXPECT_EQ(main.taskList->GetItemText(2, 4), "AC3");

    int shown = -1;
    RunMovieClip([&](CClipDlg& dlg) {
        shown = dlg.trackList->currentIndex();
        Click(dlg, IDC_OK);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(taskTracks[2].chosenTrack, 1);
}

// The Movie Clip command, from the button and the menu, on the selected row only.
TEST_F(ClipDialogTest, MovieClipCommandRunsTheDialogOnTheSelectedRowOrAsksForOne) {
    // A clip past the playing time: the texts are the record's, the slider and OK corrected.
    Task().clipStart = 12.9;
    Task().clipLength = 150;
    RunMovieClip([](CClipDlg& dlg) {
        EXPECT_EQ(Selection(dlg), std::make_pair(12.9, 125.0));
        EXPECT_EQ(Texts(dlg), QStringList({"00:00:12", "00:02:42", "00:02:30"}));
        Click(dlg, IDC_OK);
    });
    EXPECT_EQ(Task().clipStart, 12.9);
    EXPECT_DOUBLE_EQ(Task().clipLength, 112.1);
    EXPECT_EQ(QStringList({Cell(1), Cell(2)}), QStringList({"00:00:12", "00:02:05"}));

    for (const int command : {IDC_MOVIE_CLIP, ID_OPERATION_MOVIE_CLIP}) {
        boxes.boxes.clear();
        main.taskList->clearSelection();
        EXPECT_TRUE(main.OnCommand(command));
        EXPECT_EQ(boxes.boxes.size(), 1u); // its text is checked with Delete

        main.taskList->SelectItem(0);
        const bool fresh = command == IDC_MOVIE_CLIP;
        const double start = fresh ? 30 : 45;
        RunMovieClip(
            [start, fresh](CClipDlg& dlg) {
                EXPECT_EQ(GetDlgItemText(&dlg, IDC_TITLE_LINE),
                          "Movie Title: first take.avi       Duration:  00:05:00");
                // A fresh task opens on the whole file, the next time on its clip.
                EXPECT_EQ(Selection(dlg), std::make_pair(fresh ? 0.0 : 30.0, fresh ? 300.0 : 90.0));
                EXPECT_EQ(Texts(dlg), fresh ? QStringList({"00:00:00", "00:05:00", "00:05:00"})
                                            : QStringList({"00:00:30", "00:01:30", "00:01:00"}));
                dlg.rangeSlider->SetSelection(start, start + 60);
                Click(dlg, IDC_OK);
            },
            command);
        EXPECT_EQ(taskTable[0].clipLength, 60.0);
        EXPECT_EQ(main.taskList->GetItemText(0, 1), fresh ? "00:00:30" : "00:00:45");
    }
}

} // namespace
