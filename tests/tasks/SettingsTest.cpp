#include "tasks/Settings.h"

#include "TestSupport.h"
#include "res/DialogTemplate.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "tasks/Ini.h"
#include "tasks/OstrelaDlg.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenuBar>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

using testing_support::MessageBoxRecorder;
using testing_support::ProgramFolderOverride;

namespace {

// A main window started from an option.ini in a program folder of the test's own.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : folder(dir.path()) {}

    QString IniPath() const { return dir.filePath("option.ini"); }

    void Put(const QByteArray& bytes) {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray Contents() const {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    COstrelaDlg& Start() {
        dlg = std::make_unique<COstrelaDlg>();
        return *dlg;
    }

    bool Checked(int id) const { return GetDlgItemAs<QRadioButton>(dlg.get(), id)->isChecked(); }
    QString Bitrate() const { return dlg->bitrateList->currentText(); }
    QString SampleRate() const { return dlg->sampleRateList->currentText(); }
    QString Channel() const { return dlg->channelList->currentText(); }
    QString OutputPath() const { return GetDlgItemText(dlg.get(), IDC_OUTPUT_PATH); }

    QTemporaryDir dir;
    ProgramFolderOverride folder;
    MessageBoxRecorder boxes;
    std::unique_ptr<COstrelaDlg> dlg;
};

// Loading ----------------------------------------------------------------------

TEST_F(SettingsTest, FilePathIsBesideTheProgram) {
    EXPECT_EQ(SettingsFilePath(), IniPath());
}

TEST_F(SettingsTest, MissingFileGivesTheDefaultsAndCreatesNothing) {
    Start();
    EXPECT_TRUE(Checked(IDC_TO_MP3));
    EXPECT_FALSE(Checked(IDC_TO_WAV));
    EXPECT_FALSE(Checked(IDC_TO_AC3));
    EXPECT_EQ(Bitrate(), "128");
    EXPECT_EQ(SampleRate(), "48000");
    EXPECT_EQ(Channel(), "Stereo");
    EXPECT_TRUE(OutputPath().endsWith("/MyAudio/")) << OutputPath().toStdString();
    EXPECT_EQ(OutputPath(), dlg->FindLargestDrive() + "MyAudio/");
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SettingsTest, StoredValuesSelectTheirItems) {
    Put("[TaskSetting]\r\n"
        "OutputFormat=3\r\n"
        "AudioBitrate=12\r\n"
        "SampleRate=3\r\n"
        "Channel=0\r\n"
        "OutputPath=\" /srv/Müzik kutusu/ \"\r\n");
    Start();
    EXPECT_FALSE(Checked(IDC_TO_MP3));
    EXPECT_TRUE(Checked(IDC_TO_AC3));
    EXPECT_EQ(Bitrate(), "320");
    EXPECT_EQ(SampleRate(), "22050");
    EXPECT_EQ(Channel(), "Mono");
    EXPECT_EQ(OutputPath(), " /srv/Müzik kutusu/ ");
}

TEST_F(SettingsTest, PositionOutsideItsListFallsBackToTheDefault) {
    Put("[TaskSetting]\nAudioBitrate=13\nSampleRate=-1\nChannel=2\n");
    Start();
    EXPECT_EQ(Bitrate(), "128");
    EXPECT_EQ(SampleRate(), "48000");
    EXPECT_EQ(Channel(), "Stereo");
}

TEST_F(SettingsTest, UnknownFormatLeavesEveryRadioUnchecked) {
    for (const char* code : {"0", "4", "-1"}) {
        Put(QByteArray("[TaskSetting]\nOutputFormat=") + code + "\n");
        Start();
        EXPECT_FALSE(Checked(IDC_TO_MP3)) << code;
        EXPECT_FALSE(Checked(IDC_TO_WAV)) << code;
        EXPECT_FALSE(Checked(IDC_TO_AC3)) << code;
        EXPECT_EQ(dlg->GetOutputExtension(), "mp3");
    }
}

TEST_F(SettingsTest, TextThatIsNoNumberReadsAsZeroAndEmptyAsDefault) {
    Put("[TaskSetting]\nChannel=abc\nAudioBitrate=\nOutputPath=\n");
    Start();
    EXPECT_EQ(Channel(), "Mono");
    EXPECT_EQ(Bitrate(), "128");
    EXPECT_TRUE(OutputPath().endsWith("/MyAudio/"));
}

TEST_F(SettingsTest, SectionAndKeysAreFoundWithoutRegardToCase) {
    Put("[tasksetting]\nOUTPUTFORMAT=2\naudiobitrate = 0\nsAmPlErAtE=1\nOutputpath=/data/\n");
    Start();
    EXPECT_TRUE(Checked(IDC_TO_WAV));
    EXPECT_EQ(Bitrate(), "32");
    EXPECT_EQ(SampleRate(), "44100");
    EXPECT_EQ(OutputPath(), "/data/");
}

TEST_F(SettingsTest, KeysOfOtherSectionsAreNotSettings) {
    Put("[Other]\nOutputFormat=3\nAudioBitrate=0\n");
    Start();
    EXPECT_TRUE(Checked(IDC_TO_MP3));
    EXPECT_EQ(Bitrate(), "128");
}

// Writing with the shared names, as the Convert command does ---------------------

TEST_F(SettingsTest, WritingKeepsOtherSectionsAndCommentsAndIsReadBack) {
    Put("; kept as it is\r\n[Other]\r\nx = 1\r\n\r\n[TaskSetting]\r\nAudioBitrate=3 \r\n");
    CIni ini;
    ini.SetPathName(SettingsFilePath());
    ASSERT_TRUE(ini.WriteInt(kSettingsSection, kKeyOutputFormat, 2));
    ASSERT_TRUE(ini.WriteInt(kSettingsSection, kKeyAudioBitrate, 11));
    ASSERT_TRUE(ini.WriteInt(kSettingsSection, kKeySampleRate, 2));
    ASSERT_TRUE(ini.WriteInt(kSettingsSection, kKeyChannel, 0));
    ASSERT_TRUE(ini.WriteString(kSettingsSection, kKeyOutputPath, "/media/usb/MyAudio/"));
    EXPECT_EQ(Contents(), "; kept as it is\r\n[Other]\r\nx = 1\r\n\r\n[TaskSetting]\r\n"
                          "AudioBitrate=11\r\nOutputFormat=2\r\nSampleRate=2\r\nChannel=0\r\n"
                          "OutputPath=/media/usb/MyAudio/\r\n");
    Start();
    EXPECT_TRUE(Checked(IDC_TO_WAV));
    EXPECT_EQ(Bitrate(), "256");
    EXPECT_EQ(SampleRate(), "32000");
    EXPECT_EQ(Channel(), "Mono");
    EXPECT_EQ(OutputPath(), "/media/usb/MyAudio/");
}

// Restore Default Settings -----------------------------------------------------------

TEST_F(SettingsTest, RestoreDefaultsDeletesTheFileAndLeavesTheControls) {
    Put("[TaskSetting]\nOutputFormat=2\nAudioBitrate=0\nChannel=0\nOutputPath=/data/\n");
    Start();
    ASSERT_TRUE(dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS));
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(Checked(IDC_TO_WAV));
    EXPECT_EQ(Bitrate(), "32");
    EXPECT_EQ(Channel(), "Mono");
    EXPECT_EQ(OutputPath(), "/data/");
    // Without a file nothing happens either.
    ASSERT_TRUE(dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS));
    EXPECT_TRUE(boxes.boxes.empty());

    // The next start shows the defaults.
    Start();
    EXPECT_TRUE(Checked(IDC_TO_MP3));
    EXPECT_EQ(Bitrate(), "128");
    EXPECT_EQ(Channel(), "Stereo");
    EXPECT_TRUE(OutputPath().endsWith("/MyAudio/"));
}

TEST_F(SettingsTest, RestoreDefaultsIsReachedFromTheMenu) {
    Put("[TaskSetting]\nOutputFormat=2\n");
    Start();
    QAction* restore = nullptr;
    for (QAction* action : dlg->menuBar->findChildren<QAction*>())
        if (CommandId(action) == ID_SYSTEM_RESTORE_DEFAULTS)
            restore = action;
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->text().remove('&'), "Restore Default Settings");
    restore->trigger();
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
