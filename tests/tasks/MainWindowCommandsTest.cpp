// The main window's commands through real clicks and keys: output format
// radios, Browse, web pages, about box, help, the paid edition, the context
// menu, Enter and Escape, and dragging the window by its body.

#include "tasks/OstrelaDlg.h"

#include "TestSupport.h"
#include "app/Ostrela.h"
#include "platform/FileDialog.h"
#include "platform/ListCtrl.h"
#include "res/DialogTemplate.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "res/WebPages.h"
#include "tasks/TaskTable.h"
#include "ui/AboutBox.h"
#include "ui/FolderDlg.h"
#include "ui/MyHyperLink.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

namespace {

using testing_support::MessageBoxRecorder;
using testing_support::ProgramFolderOverride;
using testing_support::ShellRecorder;
using testing_support::WaitUntil;

class MainWindowCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        programFolder = std::make_unique<ProgramFolderOverride>(temp.path());
        previousFiles = SetFileDialogResponder([this](const FileDialogRequest&) {
            ++fileDialogs;
            return filesToAdd;
        });
        previousFolders =
            CFolderDialog::SetResponder([this](const CFolderDialog& d, QString& path) {
                folderRequests.push_back({d.Title(), d.InitialFolder(), d.Parent(), d.Flags()});
                path = folderAnswerPath;
                return folderAnswer;
            });
        previousMove = COstrelaDlg::SetSystemMoveHandler([this](QWindow* w) {
            moves.push_back(w);
            return moveHandled;
        });
        dlg = std::make_unique<COstrelaDlg>();
        theApp.m_pMainWnd = dlg.get();
        dlg->show();
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }

    void TearDown() override {
        theApp.m_pMainWnd = nullptr;
        dlg.reset();
        COstrelaDlg::SetSystemMoveHandler(previousMove);
        CFolderDialog::SetResponder(previousFolders);
        SetFileDialogResponder(previousFiles);
    }

    QString Column4(int row) const { return dlg->taskList->GetItemText(row, 4); }

    template <class T> T* Item(int id) const {
        T* item = GetDlgItemAs<T>(dlg.get(), id);
        EXPECT_TRUE(item) << id;
        return item;
    }

    // Opens a menu of the bar with a click on its title and clicks the item.
    void ClickMenuItem(int commandId) {
        for (QAction* top : dlg->menuBar->actions()) {
            QMenu* menu = top->menu();
            for (QAction* item : menu->actions()) {
                if (CommandId(item) != commandId)
                    continue;
                QTest::mouseClick(dlg->menuBar, Qt::LeftButton, {},
                                  dlg->menuBar->actionGeometry(top).center());
                ASSERT_TRUE(WaitUntil([menu] { return menu->isVisible(); }, 2000));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
                return;
            }
        }
        FAIL() << "no menu item " << commandId;
    }

    // Presses and releases the left button at a point of the window, as the
    // platform delivers it (to the control there, or to the window).
    void PressAt(const QPoint& pos) {
        QTest::mousePress(dlg->windowHandle(), Qt::LeftButton, {}, pos);
        QTest::mouseRelease(dlg->windowHandle(), Qt::LeftButton, {}, pos);
    }

    QPoint CentreOf(const QWidget* w) const { return w->geometry().center(); }

    QTemporaryDir temp;
    std::unique_ptr<ProgramFolderOverride> programFolder;
    ShellRecorder shell;
    MessageBoxRecorder boxes;

    int fileDialogs = 0;
    QStringList filesToAdd;
    FileDialogResponder previousFiles;

    struct FolderRequest {
        QString title;
        QString initialFolder;
        QWidget* parent;
        std::uint32_t flags;
    };
    std::vector<FolderRequest> folderRequests;
    int folderAnswer = -1;
    QString folderAnswerPath;
    CFolderDialog::Responder previousFolders;

    std::vector<QWindow*> moves;
    bool moveHandled = true;
    COstrelaDlg::SystemMoveHandler previousMove;

    std::unique_ptr<COstrelaDlg> dlg;
};

TEST_F(MainWindowCommandsTest, EachRadioRewritesTheOutputFormatOfEveryRowAndNewRowsFollow) {
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(dlg->AppendTask(temp.filePath(QString("clip%1.avi").arg(i)), 10 + i));

    const struct {
        int id;
        const char* name;
    } radios[] = {{IDC_TO_WAV, "WAV"}, {IDC_TO_AC3, "AC3"}, {IDC_TO_MP3, "MP3"}};
    for (const auto& r : radios) {
        QTest::mouseClick(Item<QRadioButton>(r.id), Qt::LeftButton);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(Column4(row), r.name) << r.name << " row " << row;
        for (const auto& other : radios)
            EXPECT_EQ(Item<QRadioButton>(other.id)->isChecked(), other.id == r.id);
    }

    // A fourth file added through " Add Files" shows the chosen format.
    QTest::mouseClick(Item<QRadioButton>(IDC_TO_WAV), Qt::LeftButton);
    const QString media = temp.filePath("fourth.avi");
    QString error;
    ASSERT_TRUE(testing_support::MakeMedia(media, 1.0, &error)) << error.toStdString();
    filesToAdd = {media};
    QTest::mouseClick(Item<QPushButton>(IDC_ADD_FILES), Qt::LeftButton);
    ASSERT_EQ(dlg->taskList->GetItemCount(), 4);
    EXPECT_EQ(Column4(3), "WAV");

    // The choice is not written to the settings file.
    EXPECT_FALSE(QFileInfo::exists(temp.filePath("option.ini")));
}

TEST_F(MainWindowCommandsTest, BrowsePutsTheChosenFolderIntoTheEditBoxOnlyOnOk) {
    auto* edit = Item<QLineEdit>(IDC_OUTPUT_PATH);
    edit->setText("/typed/by/hand");

    folderAnswer = -1;
    QTest::mouseClick(Item<QPushButton>(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(edit->text(), "/typed/by/hand");

    folderAnswer = 2;
    QTest::mouseClick(Item<QPushButton>(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(edit->text(), "/typed/by/hand");

    folderAnswer = 1;
    folderAnswerPath = temp.path();
    QTest::mouseClick(Item<QPushButton>(IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(edit->text(), temp.path());

    ASSERT_EQ(folderRequests.size(), 3u);
    for (const FolderRequest& r : folderRequests) {
        EXPECT_EQ(r.title, "Select the folder you want to save output files to:");
        EXPECT_TRUE(r.initialFolder.isEmpty());
        EXPECT_EQ(r.parent, dlg.get());
        EXPECT_EQ(r.flags, 0x51u);
    }
}

TEST_F(MainWindowCommandsTest, WebPagesOpenThroughTheShell) {
    ClickMenuItem(ID_SYSTEM_WEBSITE);
    for (int id = ID_WEB_PAGE_FIRST; id <= ID_WEB_PAGE_LAST; ++id)
        EXPECT_TRUE(dlg->OnCommand(id));

    ASSERT_EQ(shell.requests.size(), 7u);
    QStringList urls;
    for (const ShellRequest& r : shell.requests) {
        EXPECT_EQ(r.kind, ShellRequest::Open);
        EXPECT_EQ(r.verb, "open");
        EXPECT_EQ(r.owner, dlg.get());
        EXPECT_EQ(r.showCommand, SW_SHOW);
        EXPECT_TRUE(r.parameters.isEmpty());
        EXPECT_TRUE(r.directory.isEmpty());
        EXPECT_TRUE(r.file.startsWith("https://www.example.com/")) << r.file.toStdString();
        EXPECT_FALSE(urls.contains(r.file));
        urls << r.file;
    }
    EXPECT_EQ(urls[0], WebPageUrl(WebPage::Home));
    EXPECT_EQ(urls[6], WebPageUrl(WebPage::Download));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowCommandsTest, AboutRunsAFreshModalAboutBoxEachTime) {
    std::vector<bool> startedUnvisited;
    std::vector<QWidget*> parents;
    for (int run = 0; run < 2; ++run) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CAboutBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            parents.push_back(box->parentWidget());
            startedUnvisited.push_back(!box->firstLink->IsVisited() &&
                                       !box->secondLink->IsVisited());
            // Help belongs to the main window's own controls.
            QTest::keyClick(GetDlgItem(box, IDC_OK), Qt::Key_F1);
            QTest::mouseClick(box->secondLink, Qt::LeftButton, {}, QPoint(3, 3));
            QTest::mouseClick(GetDlgItemAs<QPushButton>(box, IDC_OK), Qt::LeftButton);
        });
        ClickMenuItem(ID_SYSTEM_ABOUT);
        ASSERT_TRUE(WaitUntil([&] { return int(startedUnvisited.size()) == run + 1; }, 5000));
    }
    EXPECT_EQ(startedUnvisited, std::vector<bool>({true, true}));
    EXPECT_EQ(parents, std::vector<QWidget*>({dlg.get(), dlg.get()}));
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[0].file, WebPageUrl(WebPage::Tamsel));
    EXPECT_EQ(shell.requests[1].file, WebPageUrl(WebPage::Tamsel));
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainWindowCommandsTest, TryTamselStartsThePaidEditionBesideTheProgram) {
    ClickMenuItem(ID_TAMSEL_TRY);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].kind, ShellRequest::StartProgram);
    EXPECT_EQ(shell.requests[0].file, temp.path() + "/Ostrela Varnel.exe");
    EXPECT_EQ(shell.requests[0].showCommand, SW_SHOWNORMAL);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(MainWindowCommandsTest, F1FromAnyControlAndCommand32782OpenHelpOnce) {
    const int controls[] = {IDC_OUTPUT_PATH, IDC_TASK_LIST, IDC_AUDIO_BITRATE, IDC_BROWSE};
    for (int id : controls) {
        QWidget* control = GetDlgItem(dlg.get(), id);
        ASSERT_TRUE(control);
        control->setFocus();
        ASSERT_TRUE(WaitUntil([control] { return control->hasFocus(); }, 2000)) << id;
        QTest::keyClick(control, Qt::Key_F1);
    }
    EXPECT_TRUE(dlg->OnCommand(ID_HELP_CONTENTS));

    ASSERT_EQ(shell.requests.size(), 5u);
    for (const ShellRequest& r : shell.requests) {
        EXPECT_EQ(r.kind, ShellRequest::Open);
        EXPECT_EQ(r.verb, "open");
        EXPECT_EQ(r.file, temp.path() + "/help.chm");
        EXPECT_EQ(r.showCommand, SW_SHOW);
        EXPECT_EQ(r.owner, dlg.get());
    }
    // The key went on: the edit box keeps working afterwards.
    auto* edit = Item<QLineEdit>(IDC_OUTPUT_PATH);
    edit->setFocus();
    edit->clear();
    QTest::keyClick(edit, Qt::Key_F1);
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(edit->text(), "abc");
}

TEST_F(MainWindowCommandsTest, RightClickOnTheEmptyListShowsTheOperationMenu) {
    ASSERT_TRUE(dlg->AppendTask(temp.filePath("one.avi"), 5));
    ASSERT_TRUE(dlg->AppendTask(temp.filePath("two.avi"), 6));

    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        QAction* deleteAll = nullptr;
        for (QAction* a : menu->actions()) {
            shown << a->text();
            if (CommandId(a) == ID_OPERATION_DELETE_ALL)
                deleteAll = a;
        }
        ASSERT_TRUE(deleteAll);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(deleteAll).center());
    });
    QWidget* viewport = dlg->taskList->viewport();
    const QPoint empty(20, viewport->height() - 5);
    ASSERT_FALSE(dlg->taskList->itemAt(empty));
    QTest::mouseClick(viewport, Qt::RightButton, {}, empty);

    EXPECT_EQ(shown,
              QStringList({"Add Files", "Delete File", "Delete All Files", "Select Movie Clip"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Are you sure to delete all the files?");
    EXPECT_EQ(dlg->taskList->GetItemCount(), 0);
    // The pop-up was destroyed after use.
    EXPECT_TRUE(dlg->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
}

TEST_F(MainWindowCommandsTest, EnterRunsAddFilesUnlessAButtonHasTheFocus) {
    const QString media = temp.filePath("entered.mp4");
    QString error;
    ASSERT_TRUE(testing_support::MakeMedia(media, 1.0, &error)) << error.toStdString();
    filesToAdd = {media};
    auto* edit = Item<QLineEdit>(IDC_OUTPUT_PATH);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(fileDialogs, 1);
    ASSERT_EQ(dlg->taskList->GetItemCount(), 1);
    EXPECT_EQ(FixedText(taskTable[0].sourcePath), media);
    filesToAdd.clear();

    dlg->taskList->setFocus();
    QTest::keyClick(dlg->taskList, Qt::Key_Return);
    EXPECT_EQ(fileDialogs, 2);

    auto* browse = Item<QPushButton>(IDC_BROWSE);
    browse->setFocus();
    ASSERT_TRUE(WaitUntil([browse] { return browse->hasFocus(); }, 2000));
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(fileDialogs, 2);
    EXPECT_EQ(folderRequests.size(), 1u);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(MainWindowCommandsTest, EscapeClosesTheWindowAsCancel) {
    auto* edit = Item<QLineEdit>(IDC_OUTPUT_PATH);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(MainWindowCommandsTest, ExitClosesTheWindowAsCancel) {
    ClickMenuItem(ID_SYSTEM_EXIT);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(MainWindowCommandsTest, APressOnTheBodyMovesTheWindowAndAPressOnAControlDoesNot) {
    // Controls keep their presses.
    for (int id : {IDC_BROWSE, IDC_ADD_FILES, IDC_OUTPUT_PATH, IDC_TASK_LIST, IDC_TO_WAV})
        PressAt(CentreOf(GetDlgItem(dlg.get(), id)));
    EXPECT_TRUE(moves.empty());

    // A label lets the press through to the window, also the one below a
    // drop-down list.
    QLabel* label = nullptr;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (l->text() == "Output Path")
            label = l;
    ASSERT_TRUE(label);
    EXPECT_EQ(dlg->childAt(CentreOf(label)), label);
    PressAt(CentreOf(label));
    EXPECT_EQ(moves.size(), 1u);

    // So does the group box, where no other control lies.
    const auto groups = dlg->findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    const QRect box = groups[0]->geometry();
    QPoint onBox;
    for (int y = box.top() + 2; y < box.bottom() && onBox.isNull(); y += 2)
        for (int x = box.left() + 2; x < box.right() && onBox.isNull(); x += 2)
            if (!dlg->childAt(QPoint(x, y)))
                onBox = QPoint(x, y);
    ASSERT_FALSE(onBox.isNull());
    PressAt(onBox);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1], dlg->windowHandle());

    // The right button moves nothing.
    QTest::mouseClick(dlg->windowHandle(), Qt::RightButton, {}, onBox);
    EXPECT_EQ(moves.size(), 2u);
}

TEST_F(MainWindowCommandsTest, WithoutASystemMoveTheWindowFollowsTheMouse) {
    moveHandled = false;
    QLabel* label = nullptr;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        if (l->text() == "Audio Bitrate")
            label = l;
    ASSERT_TRUE(label);
    const QPoint start = dlg->pos();
    const QPoint grip = CentreOf(label);
    QTest::mousePress(dlg->windowHandle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(dlg->windowHandle(), grip + QPoint(30, 20));
    // The window has moved with the mouse: the same spot is back at the grip.
    QTest::mouseRelease(dlg->windowHandle(), Qt::LeftButton, {}, grip);
    EXPECT_EQ(moves.size(), 1u);
    EXPECT_EQ(dlg->pos(), start + QPoint(30, 20));
}

TEST_F(MainWindowCommandsTest, WindowHasTheApplicationIcon) {
    EXPECT_FALSE(dlg->windowIcon().isNull());
}

} // namespace
