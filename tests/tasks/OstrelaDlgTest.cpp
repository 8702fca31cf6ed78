// The main window through real clicks and keys on a shown window.

#include "tasks/OstrelaDlg.h"

#include "MainWindowRig.h"
#include "TestSupport.h"
#include "app/Ostrela.h"
#include "clip/ClipDlg.h"
#include "clip/RangeSlider.h"
#include "convert/StatusDlg.h"
#include "platform/FileDialog.h"
#include "platform/DialogManager.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "tasks/MediaProbe.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"
#include "ui/FolderDlg.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTcpServer>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace {

using testing_support::ReadFile;
using testing_support::SeamGuard;
using testing_support::WaitUntil;
using testing_support::WriteFile;

// A shown main window whose seams (boxes, shell, dialogs, window move) the test answers.
class OstrelaDlgTest : public ::testing::Test, protected testing_support::MainWindowRig {
protected:
    void SetUp() override {
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
    }
    void TearDown() override { SetMediaInfoLibraryName(realLibrary); }

    template <class T = QWidget> T* Item(int id) const { return GetDlgItemAs<T>(dlg, id); }
    QString Path(const QString& name) const { return temp.filePath(name); }

    QString Media(const QString& name, double seconds) {
        QString error;
        EXPECT_TRUE(testing_support::MakeMedia(Path(name), seconds, &error)) << error.toStdString();
        return Path(name);
    }
    // The five texts of a row, or without a row the titles of all rows.
    QStringList Row(int r = -1) const {
        QStringList texts;
        for (int i = 0; i < (r < 0 ? dlg->taskList->GetItemCount() : 5); ++i)
            texts << dlg->taskList->GetItemText(r < 0 ? i : r, r < 0 ? 0 : i);
        return texts;
    }
    // Three tasks; task i has i + 1 sound tracks named by their task, and
    // the last one has its second track chosen.
    void AddThree() {
        for (const char* path : {"/v/one.avi", "/v/two.mp4", "/v/three.mkv"}) {
            const int n = dlg->taskList->GetItemCount();
            QList<SoundTrack> tracks(n + 1);
            for (SoundTrack& t : tracks)
                t.title = GetFileName(path);
            ASSERT_TRUE(dlg->AppendTask(path, 10 * n + 10, tracks));
        }
        taskTracks[2].chosenTrack = 1;
    }

    void Trigger(int commandId) {
        for (QAction* item : dlg->menuBar->findChildren<QAction*>())
            if (CommandId(item) == commandId)
                return item->trigger();
        FAIL() << "no menu item " << commandId;
    }

    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        QWidget* target = dlg->taskList->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    // A left click delivered as the platform does: to the control there, or the window.
    void PressAt(const QPoint& pos) {
        QTest::mousePress(dlg->windowHandle(), Qt::LeftButton, {}, pos);
        QTest::mouseRelease(dlg->windowHandle(), Qt::LeftButton, {}, pos);
    }

    const QString realLibrary = GetMediaInfoLibraryName();
    COstrelaDlg* const dlg = &main;
    QTemporaryDir& temp = program;

    QStringList filesToAdd;
    int fileRequests = 0;
    SeamGuard<FileDialogResponder> files{&SetFileDialogResponder, [this](const FileDialogRequest&) {
                                             ++fileRequests;
                                             return filesToAdd;
                                         }};
    int folderRequests = 0;
    int folderAnswer = -1;
    SeamGuard<CFolderDialog::Responder> folders{&CFolderDialog::SetResponder,
                                                [this](const CFolderDialog& d, QString& path) {
                                                    EXPECT_EQ(d.Parent(), dlg);
                                                    ++folderRequests;
                                                    path = temp.path();
                                                    return folderAnswer;
                                                }};
    std::vector<QWindow*> moves;
    bool moveHandled = true;
    SeamGuard<COstrelaDlg::SystemMoveHandler> move{&COstrelaDlg::SetSystemMoveHandler,
                                                   [this](QWindow* w) {
                                                       moves.push_back(w);
                                                       return moveHandled;
                                                   }};
};

// A deleted last entry's clip never reaches the next file; the next row takes the selection.
TEST_F(OstrelaDlgTest, DeleteFileAndDeleteAllAskAndDeleteFileSelectsTheNextRow) {
    AddThree();
    taskTable[2].clipStart = 12;
    taskTable[2].clipLength = 3;
    dlg->taskList->clearSelection();
    dlg->OnCommand(IDC_DELETE_FILE);
    dlg->taskList->SelectItem(1);
    boxes.answers.push_back(IDNO);
    dlg->OnCommand(IDC_DELETE_FILE);
    EXPECT_EQ(Row().size(), 3);
    ASSERT_TRUE(dlg->OnCommand(IDC_DELETE_FILE));
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[0].text, "Please select a video from the list!");
    EXPECT_EQ(boxes.boxes[2].text, "Are you sure to delete the current item \" TWO.MP4\" ?");
    EXPECT_EQ(boxes.boxes[2].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(Row(), QStringList({" one.avi", " three.mkv"}));
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(), 1);

    dlg->AddFile(Media("next.avi", 8));
    ASSERT_EQ(dlg->taskList->GetItemCount(), 3);
    EXPECT_EQ(taskTable[2].clipStart, 0);
    EXPECT_EQ(taskTable[2].clipLength, 8);

    dlg->taskList->SelectItem(0);
    dlg->OnCommand(ID_OPERATION_DELETE_FILE);
    EXPECT_EQ(Row(), QStringList({" three.mkv", " next.avi"}));
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(), 0);
    dlg->taskList->SelectItem(1);
    dlg->OnCommand(ID_OPERATION_DELETE_FILE); // the last row leaves no selection
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(), -1);

    // A right click on the empty list offers the operations; Delete All asks.
    boxes.boxes.clear();
    boxes.answers.push_back(IDNO);
    dlg->OnCommand(ID_OPERATION_DELETE_ALL);
    EXPECT_EQ(dlg->taskList->GetItemCount(), 1);

    QString clicked;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        clicked = menu->actions()[2]->text();
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions()[2]).center());
    });
    QWidget* viewport = dlg->taskList->viewport();
    const QPoint empty(20, viewport->height() - 5);
    ASSERT_FALSE(dlg->taskList->itemAt(empty));
    QTest::mouseClick(viewport, Qt::RightButton, {}, empty);
    EXPECT_EQ(clicked, "Delete All Files");
    EXPECT_TRUE(dlg->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Are you sure to delete all the files?");
    EXPECT_EQ(dlg->taskList->GetItemCount(), 0);

    dlg->OnCommand(ID_OPERATION_DELETE_ALL); // asks also when the list is empty
    EXPECT_EQ(boxes.boxes.size(), 3u);
}

// A file that cannot be read or has no sound is reported under the wait cursor,
// by Add Files and by a drop alike; without the library the file is taken.
TEST_F(OstrelaDlgTest, AddFilesAppendsRealMediaInDialogOrderAndRefusesTheOthers) {
    testing_support::TestMediaSet media;
    QString error;
    ASSERT_TRUE(media.Make(temp.path(), &error)) << error.toStdString();
    const QString notes = Path("notes.avi");
    ASSERT_TRUE(WriteFile(notes, "not a video\n"));
    std::optional<Qt::CursorShape> cursorAtBox;
    boxes.onShow = [&](const MessageBoxRequest&) {
        if (const QCursor* cursor = QGuiApplication::overrideCursor())
            cursorAtBox = cursor->shape();
    };
    filesToAdd = {media.twoTrackMkv, notes, media.silentMp4, media.mp3Avi};
    QTest::mouseClick(Item<QPushButton>(IDC_ADD_FILES), Qt::LeftButton);
    EXPECT_EQ(cursorAtBox, Qt::WaitCursor);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    Drop({media.silentMp4});

    const QString silent = media.silentMp4 + " has no sound track, so there is nothing to extract.";
    QStringList texts;
    for (const MessageBoxRequest& box : boxes.boxes)
        texts << box.text;
    EXPECT_EQ(texts, QStringList({"Fail to open the file " + notes, silent, silent}));
    EXPECT_EQ(Row(0), QStringList({" two tracks.mkv", "00:00:00", "00:00:01", "MKV", "MP3"}));
    EXPECT_EQ(Row(), QStringList({" two tracks.mkv", " mp3.avi"}));
    EXPECT_EQ(taskTracks[0].tracks.size(), 2);
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(-1), 1);
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(1), -1);

    // DVD files and overlong paths are refused before any probe; a per cent sign stays.
    boxes.boxes.clear();
    const QString longPath = "/videos/%2/" + QString(120, 'd') + "/" + QString(140, 'n') + ".avi";
    for (const QString& path : {Path("Movie.VOB"), Path("movie.ifo"), Path("TS.Ifo"), longPath})
        dlg->AddFile(path);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(boxes.boxes[i].text, "You're trying to open a DVD (*.vob/*.ifo) file. Ostrela "
                                       "doesn't support DVD format.  You need Tamsel to do this.");
    EXPECT_EQ(boxes.boxes[0].owner, nullptr);
    // Its start and its file name, cut between them to fit a screen.
    EXPECT_TRUE(boxes.boxes[3].text.contains("file /videos/%2/ddd"))
        << boxes.boxes[3].text.toStdString();
    EXPECT_TRUE(boxes.boxes[3].text.contains("nnn.avi is too long"));

    SetMediaInfoLibraryName(Path("missing/libmediainfo.so.0"));
    dlg->AddFile(media.silentMp4);
    EXPECT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(Row(), QStringList({" two tracks.mkv", " mp3.avi", " no sound.mp4"}));
}

// The lines a tooltip shows (read as markup when Qt guesses so), then each resource it loads.
QStringList ShownToolTip(const QString& tip) {
    struct Document : QTextDocument {
        QStringList loads;
        QVariant loadResource(int, const QUrl& name) override {
            loads << "loads " + name.toString();
            return {};
        }
    } doc;
    if (!Qt::mightBeRichText(tip))
        return tip.split('\n');
    doc.setHtml(tip);
    doc.size(); // laid out, as the tooltip is
    return doc.toPlainText().split('\n') + doc.loads;
}

// A downloaded video's tags and name show as plain text, without direction marks, bounded.
TEST_F(OstrelaDlgTest, TextFromTheFileIsShownPlainAndBounded) {
    const QString markup = "<img src=\"/dev/zero\"><a href=\"x\">&amp;</a>";
    const QString huge(10000, 'w');
    std::vector<testing_support::TestSoundTrack> tracks;
    for (const QString& title : {markup, huge, QString::fromUtf8("a\u202Eb\u2066c")})
        tracks.push_back({"aac", 2, 44100, QString(), title});
    const QString video = Path(QString::fromUtf8("&lt;i&gt; \u202Evia.mkv"));
    QString error;
    ASSERT_TRUE(testing_support::MakeVideo(video, 1.0, tracks, &error)) << error.toStdString();
    dlg->AddFile(video);
    ASSERT_EQ(Row(), QStringList{" &lt;i&gt; via.mkv"});

    // Alone, and below the reason of a failed task.
    const auto check = [&](const QStringList& lines) {
        ASSERT_EQ(lines.size(), 3) << lines.join('\n').left(500).toStdString();
        EXPECT_EQ(lines[0], QString::fromUtf8("1: AAC Stereo \u2013 ") + markup);
        EXPECT_TRUE(lines[1].startsWith(QString::fromUtf8("2: AAC Stereo \u2013 www")));
        EXPECT_LE(lines[1].size(), 200);
        EXPECT_EQ(lines[2], QString::fromUtf8("3: AAC Stereo \u2013 abc"));
    };
    check(ShownToolTip(dlg->taskList->GetItemToolTip(0)));
    // Keep Original copies the track: the AC3 sample-rate check does not apply.
    dlg->sampleRateList->setCurrentIndex(3); // 22050, refused for AC3 only
    QTest::mouseClick(Item<QRadioButton>(IDC_KEEP_ORIGINAL), Qt::LeftButton);
    Item<QLineEdit>(IDC_OUTPUT_PATH)->setText(Path("out"));
    dlg->OnCommand(IDC_CONVERT); // no encoder beside the program
    EXPECT_TRUE(ReadFile(Path("option.ini")).contains("OutputFormat=4")) << "Keep Original's code";
    QStringList failed = ShownToolTip(dlg->taskList->GetItemToolTip(0));
    ASSERT_FALSE(failed.isEmpty());
    EXPECT_TRUE(failed.takeFirst().startsWith("Could not be converted: "));
    check(failed);
}

// Relative paths (options, addresses) lie below home; the typed address hears nothing.
TEST_F(OstrelaDlgTest, TheOutputBoxNamesAnAbsoluteLocalFolderOrIsRefused) {
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    const QString port = QString::number(listener.serverPort());
    const QString home = Path("home");
    ASSERT_TRUE(QDir().mkpath(home + "/http:/127.0.0.1:" + port));
    struct HomeGuard {
        QByteArray saved = qgetenv("HOME");
        ~HomeGuard() { qputenv("HOME", saved); }
    } homeGuard;
    qputenv("HOME", QFile::encodeName(home));
    ASSERT_TRUE(LinkEncoder());
    ASSERT_TRUE(dlg->AppendTask(Media("clip.avi", 1.0), 1));

    ASSERT_TRUE(WriteFile(home + "/file", ""));
    ASSERT_TRUE(QDir().mkpath(home + "/locked"));
    testing_support::ReadOnlyFolder locked(home + "/locked");
    const QString done = "Successfully Converting Files and Save to ";
    const QString choose = "Please choose the folder to save the output files in.";
    const QString refused = "The output folder " + home + "/%1 cannot be used: %2.";
    const std::pair<QString, QString> cases[] = {
        {"", choose},
        {"  ", choose},
        // A folder that cannot be made is refused at once, named with the reason.
        {"file/out", refused.arg("file/out", home + "/file is a file, not a folder")},
        {"locked/out", refused.arg("locked/out", "you may not write in " + home + "/locked")},
        {"file", refused.arg("file", "a file of that name is in the way")},
        {"-report:", done + home + "/-report:"},
        {"http://127.0.0.1:" + port + "/x", done + home + "/http:/127.0.0.1:" + port + "/x"},
        {"~/Music", done + home + "/Music"},
        {"Music", done + home + "/Music"},
        {"Music/", done + home + "/Music/"}, // the separator typed stays
        {"~", done + home},
        // Only a leading "/" makes a path absolute; blanks around it go.
        {":gm", done + home + "/:gm"},
        {" " + Path("typed") + "\t", done + Path("typed")},
    };
    for (const auto& [typed, text] : cases) {
        SCOPED_TRACE(typed.toStdString());
        const QString folder = text.startsWith(done) ? text.mid(done.size()) : QString();
        boxes.boxes.clear();
        QFile::remove(folder + "/clip.mp3");
        Item<QLineEdit>(IDC_OUTPUT_PATH)->setText(typed);
        dlg->OnCommand(IDC_CONVERT);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, text);
        if (folder.isEmpty()) {
            EXPECT_EQ(boxes.boxes[0].caption, "WARNING");
            EXPECT_EQ(boxes.boxes[0].flags, MB_ICONEXCLAMATION | MB_OK);
            EXPECT_FALSE(QFileInfo::exists(Path("option.ini")));
            continue;
        }
        EXPECT_TRUE(testing_support::ProbeMedia(folder + "/clip.mp3").ok);
        const QStringList lines =
            QString::fromUtf8(ReadFile(Path("option.ini"))).remove('\r').split('\n');
        EXPECT_TRUE(lines.contains("OutputPath=" + folder)) << lines.join('|').toStdString();
        EXPECT_EQ(GetDlgItemText(dlg, IDC_OUTPUT_PATH), folder);
    }
    EXPECT_FALSE(listener.waitForNewConnection(0));
    EXPECT_FALSE(listener.hasPendingConnections());
}

// Radios: one tab stop, rows follow them; Enter is the focused control's; Browse sets on OK.
TEST_F(OstrelaDlgTest, TheFormatRadiosAreOneTabStopAndEnterBelongsToTheFocusedControl) {
    AddThree();
    QTest::mouseClick(Item<QRadioButton>(IDC_TO_WAV), Qt::LeftButton);
    auto* browse = Item<QPushButton>(IDC_BROWSE);
    browse->setFocus();
    ASSERT_TRUE(WaitUntil([browse] { return browse->hasFocus(); }, 2000));
    const auto key = [](int k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(key(Qt::Key_Tab), Item(IDC_TO_WAV));
    EXPECT_EQ(key(Qt::Key_Right), Item(IDC_TO_AC3));
    EXPECT_TRUE(Item<QRadioButton>(IDC_TO_AC3)->isChecked());
    EXPECT_EQ(Row(2)[4], "AC3");
    EXPECT_EQ(key(Qt::Key_Tab), Item(IDC_AUDIO_BITRATE));
    EXPECT_EQ(key(Qt::Key_Tab, Qt::ShiftModifier), Item(IDC_TO_AC3));
    EXPECT_EQ(key(Qt::Key_Tab, Qt::ShiftModifier), browse);

    auto* edit = Item<QLineEdit>(IDC_OUTPUT_PATH);
    edit->setText("/typed/by/hand");
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(folderRequests, 1);
    EXPECT_EQ(edit->text(), "/typed/by/hand");
    folderAnswer = 1;
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(edit->text(), temp.path());
    filesToAdd = {Media("fourth.avi", 1)};
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(fileRequests, 1);
    ASSERT_EQ(dlg->taskList->GetItemCount(), 4);
    EXPECT_EQ(Row(3)[4], "AC3");
    EXPECT_FALSE(QFileInfo::exists(Path("option.ini"))); // written only by Convert
}

// A screen reader finds every control by its label, not its value; slider and bars report values.
TEST_F(OstrelaDlgTest, EveryControlOfTheThreeDialogsHasANameThatIsNotItsValue) {
    AddThree();
    CClipDlg clip({taskTable[2], taskTracks[2]}, Row(2)[0], dlg);
    clip.OnInitDialog();
    CStatusDlg status(ConversionSnapshot{}, dlg);
    const std::map<int, QString> labels = {{IDC_TASK_LIST, "Tasks"},
                                           {IDC_OUTPUT_PATH, "Output Path"},
                                           {IDC_AUDIO_BITRATE, "Audio Bitrate"},
                                           {IDC_SAMPLE_RATE, "Audio SampleRate"},
                                           {IDC_CHANNEL, "Channel"},
                                           {IDC_RANGE_SLIDER, "Clip"},
                                           {IDC_TASK_BAR, "Current Task"},
                                           {IDC_TOTAL_BAR, "Total Progress"}};
    int checked = 0;
    // The two dialogs are the main window's children.
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        const int id = GetDlgCtrlID(w);
        // Static texts are read as what they show.
        if (id == IDC_STATIC || w->isHidden() || qobject_cast<QLabel*>(w))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << id;
        const QString name = a->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty()) << id;
        if (!a->tableInterface()) { // a list's value is its name
            EXPECT_NE(name, a->text(QAccessible::Value)) << id;
        }
        if (const auto label = labels.find(id); label != labels.end()) {
            EXPECT_EQ(name, label->second);
            ++checked;
        }
    }
    EXPECT_EQ(checked, int(labels.size()));
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(clip.rangeSlider);
    ASSERT_NE(slider->valueInterface(), nullptr);
    EXPECT_EQ(slider->text(QAccessible::Value), "00:00:00 to 00:00:30");
    EXPECT_EQ(slider->valueInterface()->maximumValue().toDouble(), 30);
    QAccessibleInterface* bar =
        QAccessible::queryAccessibleInterface(GetDlgItem(&status, IDC_TOTAL_BAR));
    ASSERT_NE(bar->valueInterface(), nullptr);
}

// Every text shows whole in any desktop font; at the designed font nothing changes.
TEST_F(OstrelaDlgTest, EveryTextShowsWholeInATwelvePointFont) {
    CClipDlg clip({taskTable[0], {}}, "", dlg);
    CStatusDlg status(ConversionSnapshot{}, dlg);
    const QList<QWidget*> windows = {dlg, &clip, &status};
    clip.show();
    for (QWidget* w : dlg->findChildren<QWidget*>())
        if (const QVariant designed = w->property("designedSize"); designed.isValid()) {
            EXPECT_EQ(w->width(), designed.toSize().width())
                << GetDlgItemText(dlg, GetDlgCtrlID(w)).toStdString();
        }
    const QSize designed = dlg->size();
    QFont font(QStringLiteral("DejaVu Sans"), 12);
    for (QWidget* window : windows)
        window->setFont(font);
    QCoreApplication::processEvents();
    EXPECT_GT(dlg->width(), designed.width());
    QStringList cut;
    const QFontMetrics fm(font);
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (w->isHidden() || !windows.contains(w->parentWidget()))
            continue;
        QString text;
        int margin = 0;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
            const bool radio = qobject_cast<QRadioButton*>(w);
            margin = radio ? w->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                                 w->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing)
                           : w->style()->pixelMetric(QStyle::PM_ButtonMargin) +
                                 2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            text = g->title();
        }
        if (!text.isEmpty() &&
            (fm.horizontalAdvance(text) + margin > w->width() || fm.height() > w->height()))
            cut << text;
    }
    QHeaderView* header = dlg->taskList->header();
    for (int c = 0; c < header->count(); ++c)
        if (header->sectionSizeHint(c) > header->sectionSize(c))
            cut << dlg->taskList->headerItem()->text(c);
    // Every menu shows in the bar, none behind its overflow mark, the controls below it.
    QCoreApplication::processEvents();
    for (QAction* menu : dlg->menuBar->actions())
        if (dlg->menuBar->actionGeometry(menu).isEmpty() ||
            dlg->menuBar->actionGeometry(menu).height() > dlg->menuBar->height())
            cut << menu->text();
    EXPECT_GE(dlg->taskList->y(), dlg->menuBar->geometry().bottom());
    EXPECT_TRUE(cut.isEmpty()) << cut.join(", ").toStdString();
}

// F1 opens help from any control (the box still takes keys); without a viewer, names the package.
TEST_F(OstrelaDlgTest, WebPagesHelpAndThePaidEditionOpenThroughTheShell) {
    Trigger(ID_SYSTEM_WEBSITE);
    for (int id = ID_WEB_PAGE_FIRST; id <= ID_WEB_PAGE_LAST; ++id)
        EXPECT_TRUE(dlg->OnCommand(id));
    Trigger(ID_TAMSEL_TRY);
    for (int id : {IDC_TASK_LIST, IDC_OUTPUT_PATH}) {
        Item(id)->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return Item(id)->hasFocus(); }, 2000)) << id;
        QTest::keyClick(Item(id), Qt::Key_F1);
    }
    shell.result = false;
    QTest::keyClick(Item(IDC_OUTPUT_PATH), Qt::Key_F1);
    QTest::keyClicks(Item(IDC_OUTPUT_PATH), "abc");
    EXPECT_TRUE(GetDlgItemText(dlg, IDC_OUTPUT_PATH).endsWith("abc"));

    ASSERT_EQ(shell.requests.size(), 11u);
    QSet<QString> pages;
    for (int i = 0; i < 7; ++i)
        pages << shell.requests[i].file;
    EXPECT_EQ(pages.size(), 7) << "each page its own address";
    EXPECT_EQ(shell.requests[7].kind, ShellRequest::StartProgram);
    EXPECT_EQ(shell.requests[7].file, temp.path() + "/Ostrela Varnel.exe");
    EXPECT_EQ(shell.requests[8].file, temp.path() + "/help.chm");
    EXPECT_EQ(shell.requests[9].file, temp.path() + "/help.chm");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "WARNING");
    EXPECT_TRUE(boxes.boxes[0].text.contains("install the package xchm"));
}

TEST_F(OstrelaDlgTest, APressOnTheBodyMovesTheWindowAndAPressOnAControlDoesNot) {
    for (int id : {IDC_BROWSE, IDC_OUTPUT_PATH, IDC_TASK_LIST, IDC_TO_WAV})
        PressAt(Item(id)->geometry().center());
    EXPECT_TRUE(moves.empty());

    // A label lets the press through to the window, and so does the group box.
    QLabel* label = nullptr;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (l->text() == "Output Path")
            label = l;
    ASSERT_TRUE(label);
    PressAt(label->geometry().center());
    EXPECT_EQ(moves.size(), 1u);
    const QRect box = dlg->findChild<QGroupBox*>()->geometry();
    QPoint onBox;
    for (int y = box.top() + 2; y < box.bottom() && onBox.isNull(); y += 2)
        for (int x = box.left() + 2; x < box.right() && onBox.isNull(); x += 2)
            if (!dlg->childAt(QPoint(x, y)))
                onBox = QPoint(x, y);
    ASSERT_FALSE(onBox.isNull());
    PressAt(onBox);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1], dlg->windowHandle());

    // Without a system move the window follows the mouse.
    moveHandled = false;
    const QPoint start = dlg->pos();
    const QPoint grip = label->geometry().center();
    QTest::mousePress(dlg->windowHandle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(dlg->windowHandle(), grip + QPoint(30, 20));
    QTest::mouseRelease(dlg->windowHandle(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(dlg->pos(), start + QPoint(30, 20));
}

// Files, link targets and folders (even one named like a video) go in in drop order;
// a drop, Add Files or Add Folder that meets the full list says so once.
TEST_F(OstrelaDlgTest, DropsAddFilesLinkTargetsAndFoldersInOrderUpToTheLimit) {
    const QString tree = Path("videos.avi");
    ASSERT_TRUE(QDir(tree).mkpath("sub"));
    for (const char* name : {"b 10.avi", "b 2.mp4", "sub/a.mkv"})
        Media("videos.avi/" + QString(name), 1);
    const QString b = Media("b.mp4", 2);
    const QString target = Media("holiday.avi", 1);
    ASSERT_TRUE(QFile::link(target, Path("link to video")));
    Drop({b, Path("link to video"), tree, b});
    EXPECT_EQ(Row(),
              QStringList({" b.mp4", " holiday.avi", " a.mkv", " b 2.mp4", " b 10.avi", " b.mp4"}));
    EXPECT_EQ(FixedText(taskTable[1].sourcePath), target);
    EXPECT_EQ(dlg->taskList->GetNextSelectedItem(-1), 5);
    EXPECT_TRUE(boxes.boxes.empty());

    while (dlg->taskList->GetItemCount() < TASK_TABLE_SIZE - 1)
        dlg->AddFile(b);
    Drop({tree, b, tree});
    EXPECT_EQ(Row().last(), " a.mkv");
    filesToAdd = {b, b, b};
    dlg->OnCommand(ID_OPERATION_ADD_FILES);
    Drop({b, b});
    folderAnswer = 1;
    Trigger(ID_OPERATION_ADD_FOLDER);
    EXPECT_EQ(folderRequests, 1);
    EXPECT_EQ(dlg->taskList->GetItemCount(), TASK_TABLE_SIZE);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(box.text, "The task list is full. Ostrela converts at most 100 files at a time.");
}

// "More Formats" joins the format radios, its list after the lists in the tab
// order. FLAC takes no bitrate; Opus shows its 48000 Hz, while the user's rate
// is what Convert stores and what shows again after Opus.
TEST_F(OstrelaDlgTest, MoreFormatsAreReachedByKeysAndShowWhatTheyTake) {
    AddThree();
    dlg->sampleRateList->setCurrentIndex(3); // 22050
    QTest::mouseClick(Item<QRadioButton>(IDC_KEEP_ORIGINAL), Qt::LeftButton);
    Item(IDC_KEEP_ORIGINAL)->setFocus();
    ASSERT_TRUE(WaitUntil([this] { return Item(IDC_KEEP_ORIGINAL)->hasFocus(); }, 2000));
    QStringList states;
    for (int key : {Qt::Key_Down, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        states << QString("%1 %2 %3 %4%5")
                      .arg(GetDlgCtrlID(QApplication::focusWidget()))
                      .arg(Row(0)[4], dlg->sampleRateList->currentText())
                      .arg(dlg->bitrateList->isEnabled())
                      .arg(dlg->sampleRateList->isEnabled());
    }
    EXPECT_EQ(states, QStringList({"1071 FLAC 22050 01", "1066 FLAC 22050 01", "1025 FLAC 22050 01",
                                   "1072 FLAC 22050 01", "1072 OPUS 48000 10"}));
    Item<QLineEdit>(IDC_OUTPUT_PATH)->setText(Path("out"));
    dlg->OnCommand(IDC_CONVERT); // no encoder beside the program: every task fails
    const QByteArray ini = ReadFile(Path("option.ini"));
    EXPECT_TRUE(ini.contains("OutputFormat=6") && ini.contains("SampleRate=3")) << ini.data();
    COstrelaDlg next;
    EXPECT_EQ(next.sampleRateList->currentText(), "48000");
    next.OnCommand(IDC_TO_AC3);
    EXPECT_EQ(next.sampleRateList->currentText(), "22050");
}

} // namespace
