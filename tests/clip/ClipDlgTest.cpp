// The clip dialog over a real main window and task list: what it shows when it
// opens, how its texts follow the slider, what OK and Cancel store, and the
// main window's Movie Clip command that opens it.

#include "clip/ClipDlg.h"

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "clip/RangeSlider.h"
#include "platform/ListCtrl.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class ClipDialogTest : public ::testing::Test {
protected:
    QTemporaryDir program;
    ProgramFolderOverride programFolder{program.path()};
    MessageBoxRecorder boxes;
    COstrelaDlg main;

    void SetUp() override {
        theApp.m_pMainWnd = &main;
        ASSERT_TRUE(main.AppendTask("/video/first take.avi", 300));
        ASSERT_TRUE(main.AppendTask("/video/clip one.avi", 125));
        ASSERT_EQ(main.taskList->GetNextSelectedItem(-1), 1);
    }
    void TearDown() override { theApp.m_pMainWnd = nullptr; }

    TaskRecord& Task() { return taskTable[1]; }
    QString Cell(int column) const { return main.taskList->GetItemText(1, column); }

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

    static std::pair<double, double> Selection(const CClipDlg& dlg) {
        double s = 0, e = 0;
        dlg.rangeSlider->GetSelection(s, e);
        return {s, e};
    }

    static void Click(CClipDlg& dlg, int id) {
        QTest::mouseClick(GetDlgItemAs<QPushButton>(&dlg, id), Qt::LeftButton);
    }
};

TEST_F(ClipDialogTest, FreshTaskOpensOnTheWholeFile) {
    CClipDlg dlg;
    EXPECT_EQ(dlg.parentWidget(), &main); // no owner given: the main window
    EXPECT_EQ(GetDlgItem(&dlg, IDC_RANGE_SLIDER), dlg.rangeSlider);
    Open(dlg);
    EXPECT_EQ(dlg.rangeSlider->Fields().upperLimit, 125.0);
    EXPECT_EQ(Selection(dlg), std::make_pair(0.0, 125.0));
    EXPECT_EQ(Texts(dlg), QStringList({"00:00:00", "00:02:05", "00:02:05"}));
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_TITLE_LINE),
              "Movie Title: clip one.avi       Duration:  00:02:05");
}

TEST_F(ClipDialogTest, MovingTheSpanRoundsTheLengthHalfUp) {
    Task().clipStart = 10;
    Task().clipLength = 59.7;
    CClipDlg dlg;
    Open(dlg);
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_LENGTH_TEXT), "00:00:59");

    const RangeSliderFields& f = dlg.rangeSlider->Fields();
    const int centre = (f.startHandleRect.right + f.endHandleRect.left) / 2;
    QTest::mousePress(dlg.rangeSlider, Qt::LeftButton, {}, QPoint(centre, 8));
    QTest::mouseMove(dlg.rangeSlider, QPoint(centre + 25, 8));
    QTest::mouseRelease(dlg.rangeSlider, Qt::LeftButton, {}, QPoint(centre + 25, 8));

    const auto [s, e] = Selection(dlg);
    EXPECT_GT(s, 10.5);
    EXPECT_NEAR(e - s, 59.7, 1e-9);
    EXPECT_EQ(Texts(dlg), QStringList({FormatTimeText(s), FormatTimeText(e), "00:01:00"}));
}

TEST_F(ClipDialogTest, OkWithoutTouchingStoresTheCorrectedClip) {
    // A stored clip reaching past the playing time: the dialog opens on the
    // record's texts (times truncated, not rounded), the slider on the
    // corrected clip, and OK stores that.
    Task().clipStart = 12.9;
    Task().clipLength = 150;
    CClipDlg dlg;
    Open(dlg);
    EXPECT_EQ(Selection(dlg), std::make_pair(12.9, 125.0));
    EXPECT_EQ(Texts(dlg), QStringList({"00:00:12", "00:02:42", "00:02:30"}));
    Click(dlg, IDC_OK);
    EXPECT_EQ(Task().clipStart, 12.9);
    EXPECT_DOUBLE_EQ(Task().clipLength, 112.1);
    EXPECT_EQ(QStringList({Cell(1), Cell(2)}), QStringList({"00:00:12", "00:02:05"}));
    EXPECT_EQ(taskTable[0].clipStart, 0); // the other task is untouched
}

// Cancel, or Escape reaching the dialog through the slider, after a move.
TEST_F(ClipDialogTest, CancelAfterMovingStoresNothing) {
    const TaskRecord before = Task();
    for (const bool escape : {false, true}) {
        CClipDlg dlg;
        Open(dlg);
        dlg.rangeSlider->setFocus();
        QTest::keyClick(dlg.rangeSlider, Qt::Key_Left, Qt::ShiftModifier);
        ASSERT_NE(GetDlgItemText(&dlg, IDC_END_TEXT), "00:02:05");
        if (escape)
            QTest::keyClick(dlg.rangeSlider, Qt::Key_Escape);
        else
            Click(dlg, IDC_CANCEL);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(Task().clipLength, before.clipLength);
        EXPECT_EQ(Task().clipStart, before.clipStart);
        EXPECT_EQ(Cell(2), "00:02:05");
    }
}

TEST_F(ClipDialogTest, CrossedSelectionIsStoredInOrder) {
    Task().clipStart = 60;
    Task().clipLength = 0;
    CClipDlg dlg;
    Open(dlg);
    dlg.rangeSlider->setFocus();
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(dlg.rangeSlider, Qt::Key_Left, Qt::ShiftModifier);
    const auto [s, e] = Selection(dlg);
    ASSERT_LT(e, s); // the slider lets the ends cross
    Click(dlg, IDC_OK);
    EXPECT_DOUBLE_EQ(Task().clipStart, e);
    EXPECT_DOUBLE_EQ(Task().clipLength, s - e);
    EXPECT_EQ(Cell(2), FormatTimeText(s));
}

// The main window's Movie Clip command, from the button and from the menu.
TEST_F(ClipDialogTest, MovieClipCommandRunsTheDialogOnTheSelectedRowOrAsksForOne) {
    for (const int command : {IDC_MOVIE_CLIP, ID_OPERATION_MOVIE_CLIP}) {
        boxes.boxes.clear();
        main.taskList->clearSelection();
        EXPECT_TRUE(main.OnCommand(command));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Please select a video from the list!");

        main.taskList->SelectItem(0);
        const double start = command == IDC_MOVIE_CLIP ? 30 : 45;
        QString title;
        QTimer::singleShot(0, [&] {
            if (auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget())) {
                title = GetDlgItemText(dlg, IDC_TITLE_LINE);
                dlg->rangeSlider->SetSelection(start, start + 60);
                Click(*dlg, IDC_OK);
            }
        });
        EXPECT_TRUE(main.OnCommand(command));
        EXPECT_EQ(title, "Movie Title: first take.avi       Duration:  00:05:00");
        EXPECT_EQ(taskTable[0].clipLength, 60.0);
        EXPECT_EQ(main.taskList->GetItemText(0, 1), FormatTimeText(start));
    }
}

} // namespace
