// The real application object offscreen: start-up, the skin's calls, the exit path.

#include "ProgramTest.h"
#include "app/ProgramFolder.h"
#include "platform/DialogManager.h"
#include "platform/WindowHandle.h"
#include "res/Resource.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <csignal>

namespace {

using AppTest = ProgramTest;

TEST(ProgramFolderTest, KeepsTheFinalSeparatorAndIsEmptyWithoutOne) {
    EXPECT_EQ(ProgramFolderOf("/opt/my folder/x.y/ostrela"), "/opt/my folder/x.y/");
    EXPECT_EQ(ProgramFolderOf("/ostrela"), "/");
    EXPECT_EQ(ProgramFolderOf("ostrela"), "");
    EXPECT_EQ(GetProgramFolder(), QCoreApplication::applicationDirPath() + "/");
}

const QString kComponent = QStringLiteral(OSTRELA_TEST_SKIN_COMPONENT);

// However the window ends, the skin is closed once, after it. Each start registers anew;
// from the second on that fails, and the first registration still serves. Files named at
// the first start are added as Add Files adds them, refusals included.
TEST_F(AppTest, EveryWayOfClosingClosesTheSkinOnceAfterTheMainWindow) {
    const QString component = Install(kComponent);
    const QString video = dir.filePath("clip one.mp4");
    ASSERT_TRUE(testing_support::MakeMedia(video, 2));
    theApp.startFiles = {dir.filePath("a.VOB"), dir.filePath("missing.avi"), video};
    QStringList rows;
    const std::function<void(COstrelaDlg*)> closers[] = {
        [](COstrelaDlg* d) { d->reject(); },
        [](COstrelaDlg* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](COstrelaDlg* d) { d->OnCommand(ID_SYSTEM_EXIT); },
        [](COstrelaDlg* d) { d->close(); },
        [](COstrelaDlg*) { std::raise(SIGINT); },
        [](COstrelaDlg*) { std::raise(SIGHUP); }};
    for (const auto& close : closers) {
        const qsizetype before = Calls().size();
        qint32 convertHandle = 0;
        EXPECT_FALSE(Run(
            [&](COstrelaDlg* dlg) {
                convertHandle = GetWindowHandle(dlg->convertButton);
                EXPECT_TRUE(dlg->windowFlags() & Qt::FramelessWindowHint) << "the skin's caption";
                for (int i = 0; i < dlg->taskList->GetItemCount(); ++i)
                    rows << dlg->taskList->GetItemText(i, 0) + dlg->taskList->GetItemText(i, 2);
            },
            close));
        theApp.startFiles.clear();
        EXPECT_TRUE(shown);
        EXPECT_EQ(AfxGetMainDlg(), nullptr);
        EXPECT_FALSE(Calls().mid(before).join('\n').contains("invoke 7"))
            << "closed only by ExitInstance";
        EXPECT_EQ(theApp.ExitInstance(), 0);
        theApp.skin.ReleaseDispatch();
        EXPECT_FALSE(IsLoaded(component));
        const QStringList calls = Calls().mid(before);
        if (before == 0) {
            EXPECT_EQ(calls,
                      QStringList({"register", "create SkinCrafter.SCSkin", "invoke 17 long:0",
                                   "invoke 1 long:1", "invoke 2 string:" + folder + "lumora.skf",
                                   "invoke 18 mainWindows:0",
                                   QStringLiteral("invoke 21 long:%1 string:Start long:0 "
                                                  "window:ctl%2")
                                       .arg(convertHandle)
                                       .arg(IDC_CONVERT),
                                   "invoke 7 mainWindows:0", "release"}));
        }
        EXPECT_EQ(calls.first(), "register");
        EXPECT_EQ(calls.count("create SkinCrafter.SCSkin"), 1);
        EXPECT_EQ(calls.filter("invoke 7"), QStringList({"invoke 7 mainWindows:0"}));
        qputenv("OSTRELA_TEST_REGISTER_RESULT", "1");
    }
    EXPECT_EQ(rows, QStringList{" clip one.mp400:00:02"});
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith("You're trying to open a DVD"));
    EXPECT_EQ(boxes.boxes[1].text, "Fail to open the file " + dir.filePath("missing.avi"));
}

TEST_F(AppTest, RegistrationCountsOnlyAResultOfZeroAndAlwaysUnloads) {
    EXPECT_FALSE(theApp.RegisterSkinLibrary()) << "missing library";
    const QString noExports = Install(QStringLiteral(OSTRELA_TEST_NOEXPORTS_LIBRARY));
    EXPECT_FALSE(theApp.RegisterSkinLibrary()) << "missing export";
    EXPECT_FALSE(IsLoaded(noExports));

    const QString lib = dir.filePath("SkinCrafter.dll");
    ASSERT_TRUE(QFile::copy(kComponent, lib));
    for (const char* result : {"1", "-2147467259", "0"}) {
        qputenv("OSTRELA_TEST_REGISTER_RESULT", result);
        EXPECT_EQ(theApp.RegisterComServer(lib), qstrcmp(result, "0") == 0) << result;
        EXPECT_FALSE(IsLoaded(lib)) << result;
        EXPECT_EQ(FindComponentLibrary("SkinCrafter.SCSkin").isEmpty(), qstrcmp(result, "0") != 0);
    }
}

// SIGTERM ends a conversion as STOP does (the user's file back), then the program.
TEST_F(AppTest, SignalEndsARunningConversionAndTheProgram) {
    ASSERT_TRUE(testing_support::WriteFile(folder + "vexa.exe", R"(#!/bin/sh
for last; do :; done
echo partial > "$last"; echo $$ > "$(dirname "$0")/encoder.pid"; exec sleep 600
)"));
    ASSERT_TRUE(QFile::setPermissions(folder + "vexa.exe", QFile::ReadOwner | QFile::ExeOwner));
    const QString out = dir.filePath("out/");
    ASSERT_TRUE(testing_support::WriteFile(out + "clip.mp3", "the user's own"));
    QByteArray encoder;
    Run([&](COstrelaDlg* dlg) {
        ASSERT_TRUE(dlg->AppendTask("/videos/clip.avi", 30));
        GetDlgItemAs<QLineEdit>(dlg, IDC_OUTPUT_PATH)->setText(out);
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(testing_support::WaitUntil(
                [&] { return testing_support::ReadFile(folder + "encoder.pid").endsWith('\n'); },
                10000));
            encoder = testing_support::ReadFile(folder + "encoder.pid").trimmed();
            std::raise(SIGTERM);
        });
        dlg->OnCommand(IDC_CONVERT);
    });
    EXPECT_EQ(AfxGetMainDlg(), nullptr);
    EXPECT_NE(::kill(encoder.toInt(), 0), 0);
    EXPECT_EQ(testing_support::FilesIn(out), QStringList({"clip.mp3"}));
    EXPECT_EQ(testing_support::ReadFile(out + "clip.mp3"), "the user's own");
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
