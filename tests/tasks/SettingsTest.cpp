#include "tasks/Settings.h"

#include "TestSupport.h"
#include "res/DialogTemplate.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QComboBox>
#include <QFile>
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

    // The loaded choice: the checked format radio (or "-"), bitrate, sample
    // rate, channels and output path.
    QStringList Start() {
        dlg = std::make_unique<COstrelaDlg>();
        QString format = "-";
        for (int id : {IDC_TO_MP3, IDC_TO_WAV, IDC_TO_AC3})
            if (GetDlgItemAs<QRadioButton>(dlg.get(), id)->isChecked())
                format = GetDlgItemText(dlg.get(), id);
        return {format, dlg->bitrateList->currentText(), dlg->sampleRateList->currentText(),
                dlg->channelList->currentText(), GetDlgItemText(dlg.get(), IDC_OUTPUT_PATH)};
    }

    QTemporaryDir dir;
    ProgramFolderOverride folder;
    MessageBoxRecorder boxes;
    std::unique_ptr<COstrelaDlg> dlg;
};

TEST_F(SettingsTest, MissingFileGivesTheDefaultsAndCreatesNothing) {
    EXPECT_EQ(SettingsFilePath(), IniPath());
    const QStringList loaded = Start();
    EXPECT_EQ(loaded.mid(0, 4), QStringList({"To MP3", "128", "48000", "Stereo"}));
    EXPECT_EQ(loaded[4], dlg->FindLargestDrive() + "MyAudio/");
    EXPECT_TRUE(loaded[4].endsWith("/MyAudio/"));
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SettingsTest, StoredValuesSelectTheirItemsAndBadOnesFallBack) {
    const struct {
        const char* file;
        QStringList expected; // an empty output path stands for the proposed folder
    } cases[] = {
        {"[TaskSetting]\r\nOutputFormat=3\r\nAudioBitrate=12\r\nSampleRate=3\r\nChannel=0\r\n"
         "OutputPath=\" /srv/M\xc3\xbczik kutusu/ \"\r\n",
         {"To AC3", "320", "22050", "Mono", " /srv/M\u00fczik kutusu/ "}},
        // Positions outside their lists take the key's default.
        {"[TaskSetting]\nAudioBitrate=13\nSampleRate=-1\nChannel=2\n",
         {"To MP3", "128", "48000", "Stereo", ""}},
        // An unknown format checks no radio; text that is no number reads as 0.
        {"[TaskSetting]\nOutputFormat=0\nChannel=abc\nAudioBitrate=\nOutputPath=\n",
         {"-", "128", "48000", "Mono", ""}},
        {"[tasksetting]\nOUTPUTFORMAT=2\naudiobitrate = 0\nsAmPlErAtE=1\nOutputpath=/data/\n",
         {"To WAV", "32", "44100", "Stereo", "/data/"}},
        {"[Other]\nOutputFormat=3\nAudioBitrate=0\n", {"To MP3", "128", "48000", "Stereo", ""}},
    };
    for (const auto& c : cases) {
        Put(c.file);
        QStringList loaded = Start();
        if (c.expected[4].isEmpty() && loaded[4].endsWith("/MyAudio/"))
            loaded[4].clear();
        EXPECT_EQ(loaded, c.expected) << c.file;
        if (loaded[0] == "-") {
            EXPECT_EQ(dlg->GetOutputExtension(), "mp3");
        }
    }
}

TEST_F(SettingsTest, RestoreDefaultsDeletesTheFileAndLeavesTheControls) {
    Put("[TaskSetting]\nOutputFormat=2\nAudioBitrate=0\nChannel=0\nOutputPath=/data/\n");
    Start();
    ASSERT_TRUE(dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS));
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_EQ(GetDlgItemText(dlg.get(), IDC_OUTPUT_PATH), "/data/");
    EXPECT_EQ(dlg->bitrateList->currentText(), "32");
    dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS); // without a file nothing happens either
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Start().mid(0, 4), QStringList({"To MP3", "128", "48000", "Stereo"}));
}

} // namespace
