// A clip chosen in the clip dialog with the mouse and the keyboard, converted by
// the real encoder: the audio file lasts as long as the clip.

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "platform/ListCtrl.h"
#include "res/DialogTemplate.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {
constexpr double kSourceSeconds = 6.0;
}

TEST(ClipConversion, TheConvertedAudioLastsAsLongAsTheChosenClip) {
    QTemporaryDir media, program, output;
    QString error;
    ASSERT_TRUE(MakeMedia(media.path() + "/holiday clip.mp4", kSourceSeconds, &error))
        << error.toStdString();
    ASSERT_TRUE(QFile::link(BinDir() + "vexa.exe", program.path() + "/vexa.exe"));
    ProgramFolderOverride programFolder(program.path());
    MessageBoxRecorder boxes;
    ShellRecorder shell;
    COstrelaDlg main;
    theApp.m_pMainWnd = &main;

    main.AddFile(media.path() + "/holiday clip.mp4");
    ASSERT_EQ(main.taskList->GetItemCount(), 1);
    ASSERT_EQ(taskTable[0].duration, kSourceSeconds);

    // In the dialog: drag the start handle a quarter of the track to the
    // right, pull the end in with Shift+Left, then OK.
    double chosenStart = -1, chosenEnd = -1;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CClipDlg*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        if (!QTest::qWaitForWindowExposed(dlg)) {
            dlg->reject();
            return;
        }
        CRangeSlider* slider = dlg->rangeSlider;
        slider->repaint();
        const RangeSliderFields& f = slider->Fields();
        const SliderRect& handle = f.startHandleRect;
        const QPoint grab((handle.left + handle.right) / 2, (handle.top + handle.bottom) / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, grab);
        QTest::mouseMove(slider, grab + QPoint(f.trackWidth / 4, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, grab + QPoint(f.trackWidth / 4, 0));
        for (int i = 0; i < f.trackWidth / 5; ++i)
            QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
        slider->GetSelection(chosenStart, chosenEnd);
        QTest::mouseClick(GetDlgItemAs<QPushButton>(dlg, IDC_OK), Qt::LeftButton);
    });
    main.OnCommand(IDC_MOVIE_CLIP);
    ASSERT_GT(chosenStart, 1.0);
    ASSERT_LT(chosenEnd, 5.0);
    ASSERT_GT(chosenEnd - chosenStart, 1.0);
    EXPECT_DOUBLE_EQ(taskTable[0].clipStart, chosenStart);
    EXPECT_DOUBLE_EQ(taskTable[0].clipLength, chosenEnd - chosenStart);
    EXPECT_EQ(main.taskList->GetItemText(0, 1), FormatTimeText(chosenStart));
    EXPECT_EQ(main.taskList->GetItemText(0, 2), FormatTimeText(chosenEnd));

    const QString folder = output.path() + "/audio";
    GetDlgItemAs<QLineEdit>(&main, IDC_OUTPUT_PATH)->setText(folder);
    main.SetOutputFormatRadios(2);
    main.OnCommand(IDC_CONVERT);
    theApp.m_pMainWnd = nullptr;

    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().caption, "Congratulations!")
        << boxes.boxes.back().text.toStdString();
    const MediaFacts facts = ProbeMedia(folder + "/holiday clip.wav");
    ASSERT_TRUE(facts.ok);
    EXPECT_NEAR(facts.duration, chosenEnd - chosenStart, 0.2);
}
