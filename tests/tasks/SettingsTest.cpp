#include "tasks/Settings.h"

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "convert/ConvertCommand.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTextStream>
#include <gtest/gtest.h>
#include <sched.h>

using testing_support::BinDir;
using testing_support::FilesIn;
using testing_support::MakeMedia;
using testing_support::MessageBoxRecorder;
using testing_support::ProgramFolderOverride;
using testing_support::ReadFile;
using testing_support::ReadOnlyFolder;
using testing_support::ShellRecorder;
using testing_support::WriteFile;

namespace {

// A main window started from an option.ini in a program folder of the test's own.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : folder(dir.path()) {}

    QString IniPath() const { return dir.filePath("option.ini"); }

    void Put(const QByteArray& bytes) { ASSERT_TRUE(WriteFile(IniPath(), bytes)); }

    // The loaded format radio (or "-"), bitrate, sample rate, channels and output path.
    QStringList Start() {
        dlg = std::make_unique<COstrelaDlg>();
        QString format = "-";
        for (int id : {IDC_TO_MP3, IDC_TO_WAV, IDC_TO_AC3, IDC_KEEP_ORIGINAL})
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

// Without a file the defaults load, none is made; Restore Defaults deletes it, controls stay.
TEST_F(SettingsTest, StoredValuesSelectTheirItemsBadOnesFallBackAndRestoreDefaultsDeletesThem) {
    EXPECT_EQ(SettingsFilesToRead(), QStringList(IniPath()));
    EXPECT_EQ(SettingsFileToWrite(), IniPath());
    const struct {
        const char* file;     // empty: none
        QStringList expected; // an empty output path stands for the proposed folder
    } cases[] = {
        {"", {"To MP3", "128", "48000", "Stereo", ""}},
        {"[TaskSetting]\r\nOutputFormat=3\r\nAudioBitrate=12\r\nSampleRate=3\r\nChannel=0\r\n"
         "OutputPath=\" /srv/M\xc3\xbczik kutusu/ \"\r\n",
         {"To AC3", "320", "22050", "Mono", " /srv/M\u00fczik kutusu/ "}},
        // An unknown format checks no radio; text that is no number reads as 0.
        {"[TaskSetting]\nOutputFormat=0\nChannel=abc\nAudioBitrate=\nOutputPath=\n",
         {"-", "128", "48000", "Mono", ""}},
        // Keep Original, after the three codes older files hold.
        {"[TaskSetting]\nOutputFormat=4\nAudioBitrate=0\nSampleRate=3\n",
         {"Keep Original", "32", "22050", "Stereo", ""}},
        {"[TaskSetting]\nOutputFormat=2\nSampleRate=1\nOutputPath=/data/\n",
         {"To WAV", "128", "44100", "Stereo", "/data/"}},
    };
    for (const auto& c : cases) {
        if (*c.file)
            Put(c.file);
        QStringList loaded = Start();
        EXPECT_EQ(QFile::exists(IniPath()), *c.file != '\0') << c.file;
        // The proposed folder: MyAudio in the home folder or at the root of a writable volume.
        if (c.expected[4].isEmpty()) {
            ASSERT_TRUE(loaded[4].endsWith("/MyAudio/")) << loaded[4].toStdString();
            const QString base = loaded[4].chopped(8);
            const QString root = QDir(QStorageInfo(base).rootPath()).absolutePath();
            EXPECT_TRUE(QDir(base) == QDir::home() ||
                        (QDir(base).absolutePath() == root && QFileInfo(base).isWritable()))
                << base.toStdString();
            loaded[4].clear();
        }
        EXPECT_EQ(loaded, c.expected) << c.file;
        // The encoder's settings have no meaning for a copied track.
        for (QComboBox* list : {dlg->bitrateList, dlg->sampleRateList, dlg->channelList})
            EXPECT_EQ(list->isEnabled(), loaded[0] != "Keep Original") << c.file;
        if (loaded[0] == "-") {
            EXPECT_EQ(dlg->GetOutputExtension(), "mp3");
        }
    }
    ASSERT_TRUE(dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS));
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_EQ(GetDlgItemText(dlg.get(), IDC_OUTPUT_PATH), "/data/");
    EXPECT_EQ(dlg->sampleRateList->currentText(), "44100");
    dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS); // without a file nothing happens either
    EXPECT_TRUE(boxes.boxes.empty());
}

// Each is stored only once used (the encoders, or 1), and shown checked at the next start.
TEST_F(SettingsTest, SeveralAtOnceAndCoverPictureAreStoredOnlyWhenUsed) {
    const auto item = [this](int id) {
        return dlg->menuBar->findChild<QAction*>(QString("cmd%1").arg(id));
    };
    Start();
    EXPECT_EQ(dlg->SimultaneousEncoders(), 1);
    EXPECT_FALSE(item(ID_OPERATION_SIMULTANEOUS)->isChecked());
    EXPECT_FALSE(QFile::exists(IniPath()));
    // The processors this program may run on, as nproc counts them.
    cpu_set_t cpus;
    ASSERT_EQ(sched_getaffinity(0, sizeof cpus, &cpus), 0);
    const int cores = CPU_COUNT(&cpus);
    for (const int stored : {cores, 1}) {
        dlg->OnCommand(ID_OPERATION_SIMULTANEOUS);
        EXPECT_EQ(dlg->SimultaneousEncoders(), stored);
        EXPECT_TRUE(ReadFile(IniPath()).contains("Simultaneous=" + QByteArray::number(stored)));
    }
    EXPECT_FALSE(ReadFile(IniPath()).contains("AddCoverPicture"));
    item(ID_OPERATION_ADD_COVER)->trigger();
    EXPECT_TRUE(ReadFile(IniPath()).contains("AddCoverPicture=1"));
    Put("[TaskSetting]\r\nSimultaneous=4\r\nAddCoverPicture=1\r\n");
    Start();
    EXPECT_TRUE(item(ID_OPERATION_SIMULTANEOUS)->isChecked());
    EXPECT_TRUE(item(ID_OPERATION_ADD_COVER)->isChecked());
    EXPECT_EQ(dlg->SimultaneousEncoders(), cores);
}

// A program folder the user may not write, and a configuration folder of the test's own.
class ReadOnlyProgramSettingsTest : public SettingsTest {
protected:
    ReadOnlyProgramSettingsTest() : readOnly(dir.path()) {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        SetAdminSettingsFileForTesting(AdminIni());
    }
    ~ReadOnlyProgramSettingsTest() override {
        qputenv("XDG_CONFIG_HOME", savedXdg);
        SetAdminSettingsFileForTesting(QString());
    }

    QString UserIni() const { return config.path() + "/Ostrela/option.ini"; }
    QString AdminIni() const { return config.path() + "/etc/option.ini"; }

    QTemporaryDir config;
    ReadOnlyFolder readOnly;
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
};

TEST_F(ReadOnlyProgramSettingsTest, TheUsersFileFollowsXdgConfigHomeAndWinsOverTheProgramsOne) {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", config.path().toUtf8());
    for (const char* unusable : {"", "relative/config", ":config"}) {
        qputenv("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(UserSettingsFile(), config.path() + "/.config/Ostrela/option.ini") << unusable;
    }
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    EXPECT_EQ(UserSettingsFile(), UserIni());
    // Without either file the defaults load and nothing is created.
    EXPECT_EQ(Start().mid(0, 4), QStringList({"To MP3", "128", "48000", "Stereo"}));
    EXPECT_FALSE(QFile::exists(config.path() + "/Ostrela"));
    Put("[TaskSetting]\nOutputFormat=2\nAudioBitrate=0\nOutputPath=/admin/\n");
    EXPECT_EQ(Start(), QStringList({"To WAV", "32", "48000", "Stereo", "/admin/"}));
    ASSERT_TRUE(
        WriteFile(UserIni(), "[TaskSetting]\nOutputFormat=3\nChannel=0\nOutputPath=/mine/\n"));
    // Key by key: what the user's file lacks still comes from the other.
    EXPECT_EQ(Start(), QStringList({"To AC3", "32", "48000", "Mono", "/mine/"}));

    // Restoring the defaults drops the user's file only.
    dlg->OnCommand(ID_SYSTEM_RESTORE_DEFAULTS);
    EXPECT_FALSE(QFile::exists(UserIni()));
    EXPECT_TRUE(QFile::exists(IniPath()));
    EXPECT_EQ(Start()[0], "To WAV");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ReadOnlyProgramSettingsTest, ConvertWritesTheUsersFileAndMakesItsFolder) {
    QTemporaryDir media, output;
    QString error;
    ASSERT_TRUE(MakeMedia(media.filePath("one.avi"), 1.0, &error)) << error.toStdString();
    ASSERT_TRUE(QFile::link(BinDir() + "vexa.exe", dir.filePath("vexa.exe")));
    Put("[TaskSetting]\nAudioBitrate=0\n");
    Start();
    theApp.m_pMainWnd = dlg.get();
    dlg->AddFile(media.filePath("one.avi"));
    ASSERT_EQ(dlg->taskList->GetItemCount(), 1);
    dlg->SetOutputFormatRadios(2);
    dlg->channelList->setCurrentIndex(0);
    GetDlgItemAs<QLineEdit>(dlg.get(), IDC_OUTPUT_PATH)->setText(output.path() + "/");
    ShellRecorder shell;
    dlg->OnCommand(IDC_CONVERT);
    theApp.m_pMainWnd = nullptr;
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().caption, "Congratulations!");

    EXPECT_EQ(QFile(IniPath()).size(), qint64(sizeof("[TaskSetting]\nAudioBitrate=0\n") - 1));
    EXPECT_EQ(Start(), QStringList({"To WAV", "32", "48000", "Mono", output.path() + "/"}));

    // A configuration folder that is a file: a box names it, the conversion goes on.
    theApp.m_pMainWnd = dlg.get();
    dlg->AddFile(media.filePath("one.avi"));
    ASSERT_TRUE(WriteFile(config.filePath("file"), "x"));
    qputenv("XDG_CONFIG_HOME", config.filePath("file").toUtf8());
    boxes.boxes.clear();
    dlg->OnCommand(IDC_CONVERT);
    dlg->OnCommand(ID_OPERATION_SIMULTANEOUS);
    theApp.m_pMainWnd = nullptr;
    const QString warning =
        "The settings could not be saved to " + config.filePath("file") + "/Ostrela/option.ini.";
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[0].text, warning);
    EXPECT_EQ(boxes.boxes[0].caption, "WARNING");
    EXPECT_EQ(boxes.boxes[1].caption, "Congratulations!");
    EXPECT_EQ(boxes.boxes[2].text, warning);
}

// An installed copy (the marker) is never written, even by root: the user's file holds the
// settings over the administrator's, in the window and in ostrela-convert alike.
TEST_F(ReadOnlyProgramSettingsTest, AnInstalledCopyKeepsEveryUsersSettingsInTheirOwnFile) {
    QTemporaryDir program;
    ProgramFolderOverride installed(program.path());
    ASSERT_TRUE(WriteFile(program.filePath("installed"), ""));
    const QByteArray besideProgram = "[TaskSetting]\nOutputFormat=3\nChannel=0\n";
    ASSERT_TRUE(WriteFile(program.filePath("option.ini"), besideProgram));
    ASSERT_TRUE(
        WriteFile(AdminIni(), "[TaskSetting]\nAudioBitrate=0\nSampleRate=1\nOutputPath=/srv/a/\n"));
    ASSERT_TRUE(WriteFile(UserIni(), "[TaskSetting]\nSampleRate=3\n"));

    EXPECT_EQ(Start(), QStringList({"To MP3", "32", "22050", "Stereo", "/srv/a/"}));
    QString help;
    QTextStream out(&help), err(stderr);
    EXPECT_EQ(ConvertMain({"--help"}, out, err), 0);
    out.flush();
    for (const char* now : {"(now mp3)", "(now 32)", "(now 22050)", "(now 2)"})
        EXPECT_TRUE(help.contains(now)) << now << "\n" << help.toStdString();

    dlg->OnCommand(ID_OPERATION_SIMULTANEOUS);
    EXPECT_TRUE(ReadFile(UserIni()).contains("Simultaneous="));
    EXPECT_EQ(FilesIn(program.path()), QStringList({"installed", "option.ini"}));
    EXPECT_EQ(ReadFile(program.filePath("option.ini")), besideProgram);
    EXPECT_TRUE(boxes.boxes.empty());

    // The same folder without the marker is the user's to write.
    ASSERT_TRUE(QFile::remove(program.filePath("installed")));
    EXPECT_EQ(SettingsFileToWrite(), program.filePath("option.ini"));
}

} // namespace
