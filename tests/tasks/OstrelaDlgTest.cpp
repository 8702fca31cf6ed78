#include "tasks/OstrelaDlg.h"

#include "TestSupport.h"
#include "platform/ListCtrl.h"
#include "res/DialogTemplate.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "tasks/TaskTable.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using testing_support::MessageBoxRecorder;

namespace {
QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QString("-")
                                   : a->text() + ":" + QString::number(CommandId(a)));
    return texts;
}
} // namespace

TEST(MainWindowFrame, ControlsColumnsAndMenusAsDesigned) {
    COstrelaDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Ostrela");
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);

    EXPECT_EQ(GetDlgItemText(&dlg, IDC_ADD_FILES), " Add Files");
    EXPECT_TRUE(GetDlgItemAs<QPushButton>(&dlg, IDC_ADD_FILES)->isDefault());
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_DELETE_FILE), "Delete File");
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_MOVIE_CLIP), "Movie Clip");
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_BROWSE), "Browse");
    EXPECT_NE(GetDlgItemAs<QLineEdit>(&dlg, IDC_OUTPUT_PATH), nullptr);
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_TO_MP3), "To MP3");
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_TO_WAV), "To WAV");
    EXPECT_EQ(GetDlgItemText(&dlg, IDC_TO_AC3), "To AC3");
    EXPECT_EQ(Items(dlg.bitrateList), QStringList({"32", "40", "48", "56", "64", "80", "96", "112",
                                                   "128", "192", "224", "256", "320"}));
    EXPECT_EQ(Items(dlg.sampleRateList), QStringList({"48000", "44100", "32000", "22050"}));
    EXPECT_EQ(Items(dlg.channelList), QStringList({"Mono", "Stereo"}));

    const QStringList headers = {"Title", "Start", "End", "Source Format", "Output Format"};
    ASSERT_EQ(dlg.taskList->columnCount(), 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(dlg.taskList->headerItem()->text(c), headers[c]);
        EXPECT_EQ(dlg.taskList->header()->sectionSize(c), c == 0 ? 135 : 90);
    }
    EXPECT_FALSE(dlg.taskList->header()->sectionsClickable());

    const QList<QAction*> bar = dlg.menuBar->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), "System");
    EXPECT_EQ(bar[1]->text(), "Operation");
    EXPECT_EQ(bar[2]->text(), "* Extract Audio From DVD ?  *");
    EXPECT_EQ(MenuTexts(bar[0]->menu()),
              QStringList({"Restore Default Settings:32791", "-", "Visit Our Website:32785",
                           "About:32786", "-", "Exit:32771"}));
    EXPECT_EQ(MenuTexts(bar[1]->menu()),
              QStringList({"Add Files:32773", "Delete File:32774", "Delete All Files:32792",
                           "Select Movie Clip:32775"}));
    EXPECT_EQ(MenuTexts(bar[2]->menu()), QStringList({"Tamsel -- Give It A Try NOW:32799"}));
}

TEST(MainWindowFrame, ControlsKeepTheTemplateProportions) {
    COstrelaDlg dlg;
    // The list fills the left part; the buttons stand to its right.
    const QRect list = GetDlgItem(&dlg, IDC_TASK_LIST)->geometry();
    const QRect add = GetDlgItem(&dlg, IDC_ADD_FILES)->geometry();
    const QRect convert = GetDlgItem(&dlg, IDC_CONVERT)->geometry();
    EXPECT_GT(add.left(), list.right());
    EXPECT_GT(convert.top(), add.bottom());
    EXPECT_NEAR(double(list.width()) / dlg.width(), 333.0 / 415.0, 0.02);
    EXPECT_GE(list.top(), dlg.menuBar->height());
    // Closed drop-down lists leave the output path and Browse uncovered.
    for (QComboBox* combo : {dlg.bitrateList, dlg.sampleRateList, dlg.channelList})
        EXPECT_LT(combo->geometry().bottom(), GetDlgItem(&dlg, IDC_OUTPUT_PATH)->geometry().top());
}

class TaskListTest : public ::testing::Test {
protected:
    void AddThree() {
        ASSERT_TRUE(dlg.AppendTask("/v/one.avi", 10));
        ASSERT_TRUE(dlg.AppendTask("/v/two.mp4", 20));
        ASSERT_TRUE(dlg.AppendTask("/v/three.mkv", 30));
    }
    QStringList Row(int row) {
        QStringList texts;
        for (int c = 0; c < 5; ++c)
            texts << dlg.taskList->GetItemText(row, c);
        return texts;
    }

    COstrelaDlg dlg;
    MessageBoxRecorder boxes;
};

TEST_F(TaskListTest, AppendFillsEntryAndRowAndSelectsIt) {
    ASSERT_TRUE(dlg.AppendTask("/video/holiday.avi", 3725));
    EXPECT_EQ(Row(0), QStringList({" holiday.avi", "00:00:00", "01:02:05", "AVI", "MP3"}));
    EXPECT_EQ(dlg.taskList->GetItemImage(0), 2);
    EXPECT_FALSE(dlg.taskList->topLevelItem(0)->icon(0).isNull());
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(), 0);
    EXPECT_EQ(taskTable[0].duration, 3725);
    EXPECT_EQ(taskTable[0].clipLength, 3725);
    EXPECT_EQ(taskTable[0].clipStart, 0);
    EXPECT_EQ(FixedText(taskTable[0].sourcePath), "/video/holiday.avi");
    EXPECT_EQ(FixedText(taskTable[0].title), " holiday");

    dlg.SetOutputFormatRadios(2);
    ASSERT_TRUE(dlg.AppendTask("/video/x.mpg", 1));
    EXPECT_EQ(dlg.taskList->GetItemText(1, 4), "WAV");
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(), 1);
}

TEST_F(TaskListTest, AppendRefusesTheHundredAndFirstTaskAndOverlongPaths) {
    for (int i = 0; i < TASK_TABLE_SIZE; ++i)
        ASSERT_TRUE(dlg.AppendTask(QString("/v/f%1.avi").arg(i), i));
    const TaskRecord before = taskTable[TASK_TABLE_SIZE - 1];
    EXPECT_FALSE(dlg.AppendTask("/v/one-too-many.avi", 5));
    EXPECT_EQ(dlg.taskList->GetItemCount(), TASK_TABLE_SIZE);
    EXPECT_EQ(FixedText(taskTable[TASK_TABLE_SIZE - 1].sourcePath), FixedText(before.sourcePath));

    COstrelaDlg other;
    EXPECT_FALSE(other.AppendTask("/v/" + QString(300, 'a') + ".avi", 5));
    EXPECT_EQ(other.taskList->GetItemCount(), 0);
}

TEST_F(TaskListTest, DeleteMiddleRowShiftsEntriesAndSelectsTheNext) {
    AddThree();
    dlg.taskList->SelectItem(1);
    ASSERT_TRUE(dlg.OnCommand(IDC_DELETE_FILE));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Are you sure to delete the current item \" TWO.MP4\" ?");
    EXPECT_EQ(boxes.boxes[0].caption, "Question");
    EXPECT_EQ(boxes.boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(boxes.boxes[0].owner, &dlg);

    ASSERT_EQ(dlg.taskList->GetItemCount(), 2);
    EXPECT_EQ(Row(0)[0], " one.avi");
    EXPECT_EQ(Row(1)[0], " three.mkv");
    EXPECT_EQ(FixedText(taskTable[1].sourcePath), "/v/three.mkv");
    EXPECT_EQ(taskTable[1].duration, 30);
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(), 1);
}

TEST_F(TaskListTest, DeletingTheLastOrOnlyRowLeavesNoSelection) {
    AddThree();
    dlg.OnCommand(ID_OPERATION_DELETE_FILE); // the last row is selected after adding
    EXPECT_EQ(dlg.taskList->GetItemCount(), 2);
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(), -1);

    COstrelaDlg single;
    single.AppendTask("/v/only.avi", 1);
    single.OnCommand(IDC_DELETE_FILE);
    EXPECT_EQ(single.taskList->GetItemCount(), 0);
    EXPECT_EQ(single.taskList->GetNextSelectedItem(), -1);
}

TEST_F(TaskListTest, DeleteWithoutSelectionOrDeclinedChangesNothing) {
    AddThree();
    dlg.taskList->clearSelection();
    dlg.OnCommand(IDC_DELETE_FILE);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Please select a video from the list!");
    EXPECT_EQ(boxes.boxes[0].caption, "Information");
    EXPECT_EQ(boxes.boxes[0].flags, MB_ICONEXCLAMATION | MB_OK);

    dlg.taskList->SelectItem(0);
    boxes.answers.push_back(IDNO);
    dlg.OnCommand(IDC_DELETE_FILE);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 3);
    EXPECT_EQ(FixedText(taskTable[0].sourcePath), "/v/one.avi");
}

TEST_F(TaskListTest, DeleteAllAsksEvenWhenEmptyAndClearsEveryEntry) {
    boxes.answers.push_back(IDNO);
    dlg.OnCommand(ID_OPERATION_DELETE_ALL);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Are you sure to delete all the files?");

    AddThree();
    boxes.answers.push_back(IDNO);
    dlg.OnCommand(ID_OPERATION_DELETE_ALL);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 3);

    dlg.OnCommand(ID_OPERATION_DELETE_ALL);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0);
    EXPECT_EQ(taskTable[2].duration, 0);
    EXPECT_EQ(taskTable[2].sourcePath[0], '\0');
}

TEST_F(TaskListTest, FormatRadiosAndOutputExtension) {
    EXPECT_EQ(dlg.GetOutputExtension(), "mp3"); // none checked
    dlg.SetOutputFormatRadios(3);
    EXPECT_EQ(dlg.GetOutputExtension(), "ac3");
    dlg.SetOutputFormatRadios(2);
    EXPECT_FALSE(GetDlgItemAs<QRadioButton>(&dlg, IDC_TO_AC3)->isChecked());
    EXPECT_EQ(dlg.GetOutputExtension(), "wav");
    dlg.SetOutputFormatRadios(0);
    EXPECT_EQ(dlg.GetOutputExtension(), "wav");
}
