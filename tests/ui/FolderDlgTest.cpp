#include "TestSupport.h"
#include "ui/FolderDlg.h"

#include "platform/Beep.h"

#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

class FolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(root).mkpath("alpha/beta") && QDir(root).mkpath("gamma"));
    }

    // Runs the dialog; `drive` acts on the open window inside its modal loop.
    int Run(CFolderDialog& dialog, std::function<void(CFolderBrowseWindow*)> drive) {
        testing_support::SeamGuard show(
            &CFolderDialog::SetOnShow, [drive](CFolderBrowseWindow* window) {
                QTimer::singleShot(0, window, [window, drive] { drive(window); });
                // Never hang the run: a dialog left open is a failure.
                QTimer::singleShot(10000, window, [window] {
                    ADD_FAILURE() << "the folder dialog was left open";
                    window->reject();
                });
            });
        return dialog.DoModal();
    }

    static void Click(QPushButton* button) {
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static void TypeAndConfirm(CFolderBrowseWindow* w, const QString& text) {
        w->EditBox()->setText(text);
        QTest::keyClick(w->EditBox(), Qt::Key_Return);
    }

    QString Path(const QString& relative) const { return root + '/' + relative; }

    QTemporaryDir temp;
    const QString root = temp.path();
    std::vector<unsigned> beeps;
    testing_support::SeamGuard<MessageBeepHandler> beep{
        &SetMessageBeepHandler, [this](unsigned type) { beeps.push_back(type); }};
};

TEST_F(FolderDialogTest, OpensOnTheInitialFolderAndTheStatusLineFollowsTheSelection) {
    for (const bool statusText : {true, false}) {
        CFolderDialog dialog("Pick one", Path("alpha/beta"), nullptr,
                             0x51 | (statusText ? BIF_STATUSTEXT : 0));
        QString highlighted, first, afterMove;
        bool visible = !statusText;
        EXPECT_EQ(Run(dialog,
                      [&](CFolderBrowseWindow* window) {
                          highlighted = window->CurrentItem().path;
                          first = window->StatusLine()->text();
                          window->Tree()->setFocus();
                          QTest::keyClick(window->Tree(), Qt::Key_Left); // up to "alpha"
                          afterMove = window->StatusLine()->text();
                          visible = window->StatusLine()->isVisible();
                          Click(window->OkButton());
                      }),
                  1);
        EXPECT_EQ(highlighted, Path("alpha/beta"));
        EXPECT_EQ(visible, statusText);
        EXPECT_EQ(first, statusText ? Path("alpha/beta") : QString());
        EXPECT_EQ(afterMove, statusText ? Path("alpha") : QString());
        EXPECT_EQ(dialog.GetFolderPath(), Path("alpha"));
    }
}

TEST_F(FolderDialogTest, TypedFolderIsChosenAbsoluteOrBelowTheHighlightedOne) {
    ASSERT_TRUE(QDir().mkpath(Path("alpha/:gm")));
    for (const auto& [typed, chosen] :
         {std::pair{Path("gamma"), Path("gamma")}, std::pair{QString("beta"), Path("alpha/beta")},
          std::pair{QString(":gm"), Path("alpha/:gm")}}) {
        CFolderDialog dialog("Pick one", Path("alpha"), nullptr, 0x51);
        EXPECT_EQ(Run(dialog, [&](CFolderBrowseWindow* w) { TypeAndConfirm(w, typed); }), 1);
        EXPECT_EQ(dialog.GetFolderPath(), chosen);
    }
}

// A typed name that is no folder or too long beeps, the dialog stays open (with a notice
// unless BIF_VALIDATE); Escape gives -1. An item without a path cannot be chosen.
TEST_F(FolderDialogTest, TypedNameThatCannotBeChosenBeepsAndKeepsTheDialogOpen) {
    // Two-byte characters: 200 characters but 400 bytes.
    const QString longName = QString(100, QChar(0x00FC));
    ASSERT_TRUE(QDir(root).mkpath(longName + '/' + longName));
    const QString longPath = Path(longName + '/' + longName);
    EXPECT_TRUE(CFolderDialog("Pick one", longPath, nullptr, 0x51).InitialFolder().isEmpty());
    const unsigned validate = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE;
    const std::pair<unsigned, QString> cases[] = {
        {validate, "no such folder"}, {0x51, "missing"}, {0x51, longPath}};
    for (const auto& [flags, typed] : cases) {
        SCOPED_TRACE(typed.toStdString());
        beeps.clear();
        CFolderDialog dialog("Pick one", Path("alpha"), nullptr, flags);
        bool open = false, notice = false, okEnabled = true;
        const int result = Run(dialog, [&](CFolderBrowseWindow* window) {
            TypeAndConfirm(window, typed);
            QCoreApplication::processEvents();
            open = window->isVisible();
            notice = window->NoticeLine()->isVisible();
            window->Tree()->setCurrentIndex(QModelIndex());
            okEnabled = window->OkButton()->isEnabled();
            window->Tree()->setFocus();
            QTest::keyClick(window->Tree(), Qt::Key_Escape);
        });
        EXPECT_TRUE(open);
        EXPECT_EQ(notice, flags != validate);
        EXPECT_FALSE(okEnabled);
        EXPECT_EQ(result, -1);
        EXPECT_TRUE(dialog.GetFolderPath().isEmpty());
        EXPECT_EQ(beeps, std::vector<unsigned>({0x10u}));
    }
}

TEST_F(FolderDialogTest, NewFolderMakesAndHighlightsAFolderAndTheHomeFolderIsTheDefault) {
    CFolderDialog dialog("Pick one", Path("gamma"), nullptr, 0x51);
    const int result = Run(dialog, [](CFolderBrowseWindow* window) {
        Click(window->NewFolderButton());
        Click(window->NewFolderButton());
        Click(window->OkButton());
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.GetFolderPath(), Path("gamma/New Folder/New Folder"));
    EXPECT_TRUE(QFileInfo(dialog.GetFolderPath()).isDir());

    // Twice in the same folder: two folders side by side. Without an initial folder the
    // home folder is highlighted, and a button away.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", Path("alpha").toUtf8());
    CFolderDialog again("Pick one", QString(), nullptr, 0x51);
    QString first;
    EXPECT_EQ(Run(again,
                  [&](CFolderBrowseWindow* window) {
                      first = window->CurrentItem().path;
                      Click(window->NewFolderButton());
                      Click(window->HomeButton());
                      Click(window->NewFolderButton());
                      window->SendMessage(BFFM_SETSELECTIONA, 1, Path("gamma"));
                      Click(window->OkButton());
                  }),
              1);
    qputenv("HOME", home);
    EXPECT_EQ(first, Path("alpha"));
    EXPECT_EQ(again.GetFolderPath(), Path("gamma"));
    EXPECT_EQ(QDir(Path("alpha")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
              QStringList({"New Folder", "New Folder (2)", "beta"}));
}

} // namespace
