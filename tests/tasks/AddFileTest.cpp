#include "tasks/OstrelaDlg.h"

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "platform/FileDialog.h"
#include "res/DialogTemplate.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLibrary>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

using testing_support::MakeMedia;
using testing_support::MessageBoxRecorder;

namespace {

const QString kDvdText = "You're trying to open a DVD (*.vob/*.ifo) file. Ostrela doesn't support "
                         "DVD format.  You need Tamsel to do this.";
const QString kFullText = "The task list is full. Ostrela converts at most 100 files at a time.";

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QString FakeTrace() {
    QLibrary lib(FAKE_MEDIAINFO_PATH);
    auto trace = reinterpret_cast<const char* (*)()>(lib.resolve("FakeMediaInfo_Trace"));
    return trace ? QString::fromUtf8(trace()) : QString();
}

void ClearFakeTrace() {
    QLibrary lib(FAKE_MEDIAINFO_PATH);
    if (auto clear = reinterpret_cast<void (*)()>(lib.resolve("FakeMediaInfo_ClearTrace")))
        clear();
}

int FakeLiveHandles() {
    QLibrary lib(FAKE_MEDIAINFO_PATH);
    auto live = reinterpret_cast<int (*)()>(lib.resolve("FakeMediaInfo_LiveHandles"));
    return live ? live() : -1;
}

// The shape of the override cursor now, or nothing when none is set.
std::optional<Qt::CursorShape> OverrideCursor() {
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? std::optional<Qt::CursorShape>(c->shape()) : std::nullopt;
}

// Answers the Add Files dialog with the queued choice and records the request.
class FileDialogAnswer {
public:
    explicit FileDialogAnswer(QStringList choice) : choice(std::move(choice)) {
        previous = SetFileDialogResponder([this](const FileDialogRequest& r) {
            requests.push_back(r);
            return this->choice;
        });
    }
    ~FileDialogAnswer() { SetFileDialogResponder(previous); }
    FileDialogAnswer(const FileDialogAnswer&) = delete;
    FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;

    QStringList choice;
    std::vector<FileDialogRequest> requests;

private:
    FileDialogResponder previous;
};

class AddFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetMediaInfoLibraryName(original);
        ClearFakeTrace();
        theApp.m_pMainWnd = &dlg;
    }
    void TearDown() override {
        theApp.m_pMainWnd = nullptr;
        SetMediaInfoLibraryName(original);
    }

    QString Path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString Media(const QString& name, double seconds) {
        const QString p = Path(name);
        QString error;
        EXPECT_TRUE(MakeMedia(p, seconds, &error)) << error.toStdString();
        return p;
    }
    // A file whose probe answer through the stand-in library is its first line.
    QString Answering(const QString& name, const QByteArray& playTime) {
        const QString p = Path(name);
        EXPECT_TRUE(WriteFile(p, playTime + "\n"));
        return p;
    }
    QStringList Row(int r) const {
        QStringList texts;
        for (int c = 0; c < 5; ++c)
            texts << dlg.taskList->GetItemText(r, c);
        return texts;
    }

    const QString original = GetMediaInfoLibraryName();
    QTemporaryDir dir;
    MessageBoxRecorder boxes;
    COstrelaDlg dlg;
};

TEST_F(AddFileTest, RealMediaBecomeRowsAndEntries) {
    const QString avi = Media("holiday.avi", 5.44);
    const QString mp4 = Media("beach walk.mp4", 2.0);
    const QString mkv = Media("party.mkv", 3.0);
    dlg.SetOutputFormatRadios(2);

    dlg.AddFile(avi);
    dlg.AddFile(mp4);
    dlg.AddFile(mkv);

    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(dlg.taskList->GetItemCount(), 3);
    EXPECT_EQ(Row(0), QStringList({" holiday.avi", "00:00:00", "00:00:05", "AVI", "WAV"}));
    EXPECT_EQ(Row(1), QStringList({" beach walk.mp4", "00:00:00", "00:00:02", "MP4", "WAV"}));
    EXPECT_EQ(Row(2), QStringList({" party.mkv", "00:00:00", "00:00:03", "MKV", "WAV"}));
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(dlg.taskList->GetItemImage(r), 2);

    const TaskRecord& first = taskTable[0];
    EXPECT_EQ(first.duration, 5.0); // 5.44 s and more read as milliseconds, truncated
    EXPECT_EQ(first.clipLength, 5.0);
    EXPECT_EQ(first.clipStart, 0.0);
    EXPECT_EQ(first.reserved, 0);
    EXPECT_EQ(FixedText(first.sourcePath), avi);
    EXPECT_EQ(FixedText(first.title), " holiday");
    EXPECT_EQ(FixedText(taskTable[1].title), " beach walk");
    EXPECT_EQ(taskTable[2].duration, 3.0);

    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(-1), 2);
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(2), -1);
    EXPECT_FALSE(OverrideCursor().has_value());
}

TEST_F(AddFileTest, TheSameFileTwiceGivesTwoTasks) {
    const QString avi = Media("clip.avi", 1.0);
    dlg.AddFile(avi);
    dlg.AddFile(avi);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 2);
}

TEST_F(AddFileTest, UnreadableFileShowsTheFailureWithTheWaitCursorAndAddsNothing) {
    const QString notes = Path("notes.avi");
    ASSERT_TRUE(WriteFile(notes, "not a video\n"));
    std::optional<Qt::CursorShape> cursorDuringBox;
    boxes.onShow = [&](const MessageBoxRequest&) { cursorDuringBox = OverrideCursor(); };

    dlg.AddFile(notes);

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Fail to open the file " + notes);
    EXPECT_EQ(boxes.boxes[0].caption, "Information");
    EXPECT_EQ(boxes.boxes[0].flags, MB_OK);
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    EXPECT_EQ(cursorDuringBox, Qt::WaitCursor);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0);
    EXPECT_TRUE(IsMediaInfoLoaded());
    EXPECT_FALSE(OverrideCursor().has_value());
}

TEST_F(AddFileTest, FailureMessageShowsWhileTheHandleIsStillOpen) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString empty = Answering("empty.avi", "");
    int liveDuringBox = -1;
    boxes.onShow = [&](const MessageBoxRequest&) { liveDuringBox = FakeLiveHandles(); };
    const int before = FakeLiveHandles();

    dlg.AddFile(empty);

    EXPECT_EQ(liveDuringBox, before + 1);
    EXPECT_EQ(FakeLiveHandles(), before);
    EXPECT_EQ(FakeTrace(), "New;Open(h," + empty + ");Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);");
}

TEST_F(AddFileTest, EachAddFileUsesOneHandleInTheFixedOrder) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString a = Answering("a.avi", "5432");
    const QString b = Answering("b.avi", "61000");
    dlg.AddFile(a);
    dlg.AddFile(b);
    const QString one = "New;Open(h,%1);Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);";
    EXPECT_EQ(FakeTrace(), one.arg(a) + one.arg(b));
    EXPECT_EQ(Row(0)[2], "00:00:05");
    EXPECT_EQ(taskTable[0].duration, 5.0);
    EXPECT_EQ(Row(1)[2], "00:01:01");
}

TEST_F(AddFileTest, DvdFilesAreRefusedInAnyLetterCaseBeforeAnyProbe) {
    std::optional<Qt::CursorShape> cursorDuringBox = Qt::BlankCursor;
    boxes.onShow = [&](const MessageBoxRequest&) { cursorDuringBox = OverrideCursor(); };
    for (const QString name : {"Movie.VOB", "movie.ifo", "VIDEO_TS.Ifo", "clip.vOb"}) {
        boxes.boxes.clear();
        dlg.AddFile(Path(name));
        ASSERT_EQ(boxes.boxes.size(), 1u) << name.toStdString();
        EXPECT_EQ(boxes.boxes[0].text, kDvdText);
        EXPECT_EQ(boxes.boxes[0].caption, "Information");
        EXPECT_EQ(boxes.boxes[0].flags, MB_OK);
        EXPECT_EQ(boxes.boxes[0].owner, nullptr);
        EXPECT_FALSE(cursorDuringBox.has_value());
    }
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0);
    EXPECT_FALSE(IsMediaInfoLoaded());
}

TEST_F(AddFileTest, MissingLibraryAddsFilesWithZeroTimeAndNoMessage) {
    SetMediaInfoLibraryName(Path("libmediainfo-missing.so.0"));
    const QString avi = Media("clip.avi", 2.0);
    dlg.AddFile(avi);
    dlg.AddFile(avi);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(dlg.taskList->GetItemCount(), 2);
    EXPECT_EQ(Row(0), QStringList({" clip.avi", "00:00:00", "00:00:00", "AVI", "MP3"}));
    EXPECT_EQ(taskTable[0].duration, 0.0);
    EXPECT_EQ(taskTable[0].clipLength, 0.0);
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(-1), 1);
}

TEST_F(AddFileTest, LibraryLackingAnEntryPointBehavesAsMissing) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PARTIAL_PATH);
    const QString file = Answering("clip.avi", "5432");
    dlg.AddFile(file);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(dlg.taskList->GetItemCount(), 1);
    EXPECT_EQ(Row(0), QStringList({" clip.avi", "00:00:00", "00:00:00", "AVI", "MP3"}));
    EXPECT_FALSE(IsMediaInfoLoaded());
}

TEST_F(AddFileTest, MissingLibraryIsLoadedOnceItAppears) {
    const QString later = Path("libmediainfo-later.so");
    SetMediaInfoLibraryName(later);
    const QString file = Answering("clip.avi", "7000");
    dlg.AddFile(file);
    ASSERT_TRUE(QFile::copy(FAKE_MEDIAINFO_PATH, later));
    dlg.AddFile(file);
    ASSERT_EQ(dlg.taskList->GetItemCount(), 2);
    EXPECT_EQ(Row(0)[2], "00:00:00");
    EXPECT_EQ(Row(1)[2], "00:00:07");
}

TEST_F(AddFileTest, NameWithoutFullStopKeepsItsWholeNameAsTitle) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    ASSERT_TRUE(QDir(dir.path()).mkpath("my.dir"));
    const QString bare = Answering("my.dir/clip", "3000");
    dlg.AddFile(bare);
    ASSERT_EQ(dlg.taskList->GetItemCount(), 1);
    EXPECT_EQ(Row(0), QStringList({" clip", "00:00:00", "00:00:03", "", "MP3"}));
    EXPECT_EQ(FixedText(taskTable[0].title), " clip");
    EXPECT_EQ(FixedText(taskTable[0].sourcePath), bare);
}

TEST_F(AddFileTest, PathTooLongForTheTableIsRefusedByName) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString longPath = "/videos/" + QString(120, 'd') + "/" + QString(140, 'n') + ".avi";
    dlg.AddFile(longPath);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.contains(longPath));
    EXPECT_EQ(boxes.boxes[0].caption, "Information");
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0);
    EXPECT_EQ(FakeTrace(), "");

    // 259 bytes fit, counted in UTF-8.
    const QString fits = Path("") + QString(259 - Path("").toUtf8().size() - 4, 'x') + ".avi";
    ASSERT_TRUE(WriteFile(fits, "1000\n"));
    dlg.AddFile(fits);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 1);
    const QString wide = Path("") + QString((259 - Path("").toUtf8().size()) / 2, QChar(0xE9));
    dlg.AddFile(wide + "x.avi");
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 1);
}

TEST_F(AddFileTest, HundredFirstTaskIsRefusedWithAMessage) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString file = Answering("clip.avi", "1000");
    for (int i = 0; i < TASK_TABLE_SIZE; ++i)
        dlg.AddFile(file);
    ASSERT_EQ(dlg.taskList->GetItemCount(), 100);
    EXPECT_TRUE(boxes.boxes.empty());
    ClearFakeTrace();

    dlg.AddFile(file);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kFullText);
    EXPECT_EQ(boxes.boxes[0].caption, "Information");
    EXPECT_EQ(dlg.taskList->GetItemCount(), 100);
    EXPECT_EQ(FakeTrace(), "");
}

class AddFilesCommandTest : public AddFileTest {};

TEST_F(AddFilesCommandTest, ThreeChosenFilesAreAppendedInDialogOrderAndTheLastSelected) {
    const QString c = Media("c.mkv", 1.0);
    const QString a = Media("a.avi", 2.0);
    const QString b = Media("b.mp4", 3.0);
    FileDialogAnswer answer({c, a, b});

    EXPECT_TRUE(dlg.OnCommand(IDC_ADD_FILES));

    ASSERT_EQ(dlg.taskList->GetItemCount(), 3);
    EXPECT_EQ(Row(0), QStringList({" c.mkv", "00:00:00", "00:00:01", "MKV", "MP3"}));
    EXPECT_EQ(Row(1), QStringList({" a.avi", "00:00:00", "00:00:02", "AVI", "MP3"}));
    EXPECT_EQ(Row(2), QStringList({" b.mp4", "00:00:00", "00:00:03", "MP4", "MP3"}));
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(-1), 2);
    EXPECT_FALSE(OverrideCursor().has_value());
}

TEST_F(AddFilesCommandTest, DialogOffersTheMediaFiltersForSeveralExistingFiles) {
    FileDialogAnswer answer({});
    EXPECT_TRUE(dlg.OnCommand(IDC_ADD_FILES));
    ASSERT_EQ(answer.requests.size(), 1u);
    const FileDialogRequest& r = answer.requests[0];
    EXPECT_TRUE(r.open);
    EXPECT_EQ(r.flags, 0x1206u);
    EXPECT_EQ(r.defaultExtension, "");
    EXPECT_EQ(r.fileName, "");
    EXPECT_EQ(r.filter,
              "All supported media "
              "files|*.mpg;*.mpeg;*.avi;*.wmv;*.asf;*.flv;*.dat;*.qt;*.mp4;*.3gp;*.mov;*.dat|AVI "
              "files (*.avi)|*.avi|MPEG files (*.mpeg; *.mpg)|*.mpg;*.mpeg|VCD files "
              "(*.dat)|*.dat|Windows Media Files(*.asf; *.wmv)|*.asf;*.wmv|QuickTime "
              "Files(*.mov;*.qt)|*.mov;*.qt|Flash Files(*.flv)|*.flv|MP4 / 3GP Files(*.mp4; "
              "*.3gp)|*.mp4;*.3gp|All Files (*.*)|*.*||");
    ASSERT_EQ(r.nameFilters.size(), 9);
    EXPECT_EQ(r.nameFilters[0], "All supported media files (*.mpg *.mpeg *.avi *.wmv *.asf "
                                "*.flv *.dat *.qt *.mp4 *.3gp *.mov *.dat)");
    EXPECT_EQ(r.nameFilters[2], "MPEG files (*.mpeg; *.mpg) (*.mpg *.mpeg)");
    EXPECT_EQ(r.nameFilters[8], "All Files (*.*) (*.*)");
    EXPECT_EQ(r.selectedNameFilter, r.nameFilters[0]);
    EXPECT_EQ(r.owner, &dlg);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0); // cancelled
}

TEST_F(AddFilesCommandTest, ButtonAndMenuBothOpenTheDialog) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    FileDialogAnswer answer({Answering("a.avi", "1000")});
    QTest::mouseClick(GetDlgItemAs<QPushButton>(&dlg, IDC_ADD_FILES), Qt::LeftButton);
    QAction* menuAddFiles = nullptr;
    for (QAction* top : dlg.menuBar->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (CommandId(a) == ID_OPERATION_ADD_FILES)
                    menuAddFiles = a;
    ASSERT_NE(menuAddFiles, nullptr);
    menuAddFiles->trigger();
    EXPECT_EQ(answer.requests.size(), 2u);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 2);
}

TEST_F(AddFilesCommandTest, EachFileGoesThroughAddFileWithItsOwnMessages) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString good = Answering("good.avi", "4000");
    const QString bad = Answering("bad.avi", "");
    std::vector<std::optional<Qt::CursorShape>> cursors;
    boxes.onShow = [&](const MessageBoxRequest&) { cursors.push_back(OverrideCursor()); };
    FileDialogAnswer answer({Path("VTS_01_1.VOB"), bad, good});
    dlg.OnCommand(ID_OPERATION_ADD_FILES);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, kDvdText);
    EXPECT_EQ(boxes.boxes[1].text, "Fail to open the file " + bad);
    // The command's own wait cursor stays around every call.
    EXPECT_EQ(cursors[0], Qt::WaitCursor);
    EXPECT_EQ(cursors[1], Qt::WaitCursor);
    ASSERT_EQ(dlg.taskList->GetItemCount(), 1);
    EXPECT_EQ(Row(0)[0], " good.avi");
    EXPECT_FALSE(OverrideCursor().has_value());
}

TEST_F(AddFilesCommandTest, FilesBeyondAFullListAreRefusedOnce) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString file = Answering("clip.avi", "1000");
    for (int i = 0; i < TASK_TABLE_SIZE - 1; ++i)
        dlg.AddFile(file);
    FileDialogAnswer answer({file, file, file, file});
    dlg.OnCommand(IDC_ADD_FILES);
    EXPECT_EQ(dlg.taskList->GetItemCount(), 100);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, kFullText);
}

// Drops reach the main window's task list as real drop events.
class MainWindowDropTest : public AddFileTest {
protected:
    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        QWidget* target = dlg.taskList->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
};

TEST_F(MainWindowDropTest, TaskListTakesFilesOnlyThroughAddFile) {
    EXPECT_EQ(dlg.taskList->GetDropFlags(), 0x21u);
    EXPECT_NE(qobject_cast<CFileDropListCtrl*>(GetDlgItem(&dlg, IDC_TASK_LIST)), nullptr);
}

TEST_F(MainWindowDropTest, ThreeDroppedFilesAreAddedInDropOrder) {
    const QString b = Media("b.mp4", 2.0);
    const QString a = Media("a.avi", 1.0);
    const QString c = Media("c.mkv", 3.0);
    Drop({b, a, c});
    ASSERT_EQ(dlg.taskList->GetItemCount(), 3);
    EXPECT_EQ(Row(0), QStringList({" b.mp4", "00:00:00", "00:00:02", "MP4", "MP3"}));
    EXPECT_EQ(Row(1), QStringList({" a.avi", "00:00:00", "00:00:01", "AVI", "MP3"}));
    EXPECT_EQ(Row(2), QStringList({" c.mkv", "00:00:00", "00:00:03", "MKV", "MP3"}));
    EXPECT_EQ(dlg.taskList->GetNextSelectedItem(-1), 2);
}

TEST_F(MainWindowDropTest, ShortcutsAddTheirTargets) {
    const QString target = Media("holiday.avi", 2.0);
    ASSERT_TRUE(QFile::link(target, Path("link to video")));
    const QString desktop = Path("holiday link.desktop");
    ASSERT_TRUE(WriteFile(desktop, "[Desktop Entry]\nType=Link\nName=Holiday\nURL=" +
                                       QUrl::fromLocalFile(target).toEncoded() + "\n"));
    Drop({Path("link to video"), desktop});
    ASSERT_EQ(dlg.taskList->GetItemCount(), 2);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(Row(r), QStringList({" holiday.avi", "00:00:00", "00:00:02", "AVI", "MP3"}));
        EXPECT_EQ(FixedText(taskTable[r].sourcePath), target);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowDropTest, FolderAddsNothingAndShowsNothing) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("videos.avi"));
    Drop({Path("videos.avi")});
    EXPECT_EQ(dlg.taskList->GetItemCount(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowDropTest, SameFileDroppedTwiceGivesTwoRows) {
    const QString a = Media("a.avi", 1.0);
    Drop({a, a});
    EXPECT_EQ(dlg.taskList->GetItemCount(), 2);
}

TEST_F(MainWindowDropTest, DroppedDvdAndUnreadableFilesShowTheirMessagesOnce) {
    const QString vob = Path("VTS_01_1.VOB");
    const QString bad = Path("bad.avi");
    ASSERT_TRUE(WriteFile(vob, "dvd"));
    ASSERT_TRUE(WriteFile(bad, "not a video"));
    const QString good = Media("good.avi", 1.0);
    Drop({vob, bad, good});
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, kDvdText);
    EXPECT_EQ(boxes.boxes[1].text, "Fail to open the file " + bad);
    ASSERT_EQ(dlg.taskList->GetItemCount(), 1);
    EXPECT_EQ(Row(0)[0], " good.avi");
}

} // namespace
