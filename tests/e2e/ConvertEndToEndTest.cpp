// A task list converted by the real encoder through the real main window,
// clip dialog and conversion dialog, for each output format.

#include "ConversionWatcher.h"
#include "TestSupport.h"
#include "app/Ostrela.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "platform/ListCtrl.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
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

class ConvertEndToEnd : public ::testing::TestWithParam<FormatCase> {
protected:
    static void SetUpTestSuite() {
        media = std::make_unique<QTemporaryDir>();
        ok = MakeMedia(media->path() + "/plain.avi", kSourceSeconds, &error) &&
             MakeMedia(media->path() + "/" + kSpacedName, kSourceSeconds, &error);
    }
    static void TearDownTestSuite() { media.reset(); }

    void SetUp() override {
        ASSERT_TRUE(ok) << error.toStdString();
        ASSERT_TRUE(QFile::link(BinDir() + "vexa.exe", program.path() + "/vexa.exe"));
        theApp.m_pMainWnd = &main;
    }
    void TearDown() override { theApp.m_pMainWnd = nullptr; }

    static inline std::unique_ptr<QTemporaryDir> media;
    static inline bool ok = false;
    static inline QString error;

    QTemporaryDir program;
    ProgramFolderOverride programFolder{program.path()};
    QTemporaryDir output;
    COstrelaDlg main;
    MessageBoxRecorder boxes;
    ShellRecorder shell;
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
    GetDlgItemAs<QLineEdit>(&main, IDC_OUTPUT_PATH)->setText(folder);

    ConversionWatcher watcher;
    main.OnCommand(IDC_CONVERT);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!") << boxes.boxes[0].text.toStdString();
    // The encoder's progress reached the dialog while it ran.
    EXPECT_TRUE(std::any_of(watcher.currents.begin(), watcher.currents.end(), [](const QString& t) {
        return t.startsWith("OutputSize:") && t.endsWith("   -- 100% Finished");
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
