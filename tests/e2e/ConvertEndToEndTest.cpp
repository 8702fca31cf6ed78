// A task list converted by the real encoder through the real main window and
// conversion dialog, for each output format.

#include "ConversionWatcher.h"
#include "TestSupport.h"
#include "app/Ostrela.h"
#include "platform/ListCtrl.h"
#include "res/DialogTemplate.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
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
} // namespace

class ConvertEndToEnd : public ::testing::TestWithParam<FormatCase> {
protected:
    static void SetUpTestSuite() {
        media = new QTemporaryDir;
        QString error;
        ok = MakeMedia(media->path() + "/plain.avi", kSourceSeconds, &error) &&
             MakeMedia(media->path() + "/" + kSpacedName, kSourceSeconds, &error);
        if (!ok)
            qWarning("%s", qPrintable(error));
    }
    static void TearDownTestSuite() {
        delete media;
        media = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(ok);
        ASSERT_TRUE(QFile::link(BinDir() + "vexa.exe", program.path() + "/vexa.exe"));
        theApp.m_pMainWnd = &main;
    }
    void TearDown() override { theApp.m_pMainWnd = nullptr; }

    static inline QTemporaryDir* media = nullptr;
    static inline bool ok = false;

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
    ASSERT_EQ(taskTable[0].duration, kSourceSeconds);
    // The second task is cut to a clip of 1.5 s from 1 s on.
    taskTable[1].clipStart = 1.0;
    taskTable[1].clipLength = 1.5;

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
    EXPECT_EQ(boxes.boxes[0].text, "Successfully Converting Files and Save to " + folder);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, folder);
    EXPECT_TRUE(watcher.captions.contains("Converting   plain.avi ..."));
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
    EXPECT_NEAR(clip.duration, 1.5, 0.2);

    QFile ini(program.path() + "/option.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString settings = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(settings.contains(QString("OutputFormat=%1").arg(c.format)));
    EXPECT_TRUE(settings.contains(QString("AudioBitrate=%1").arg(c.bitrateIndex)));
    EXPECT_TRUE(settings.contains(QString("SampleRate=%1").arg(c.sampleRateIndex)));
    EXPECT_TRUE(settings.contains(QString("Channel=%1").arg(c.channelIndex)));
    EXPECT_TRUE(settings.contains("OutputPath=" + folder));
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertEndToEnd,
                         ::testing::Values(FormatCase{1, 8, 1, 1, "mp3", 44100, 2, "mp3"},
                                           FormatCase{2, 0, 2, 0, "pcm_s16le", 32000, 1, "wav"},
                                           FormatCase{3, 9, 0, 1, "ac3", 48000, 2, "ac3"}),
                         [](const auto& info) { return std::string(info.param.extension); });
