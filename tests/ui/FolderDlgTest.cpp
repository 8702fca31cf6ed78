#include "TestSupport.h"
#include "ui/FolderDlg.h"

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

// Records the hooks as the dialog's callback calls them, and what the browse
// window was while each ran.
class RecordingFolderDialog : public CFolderDialog {
public:
    using CFolderDialog::CFolderDialog;

    std::vector<QString> calls;
    std::vector<QString> typedNames;
    int validateAnswer = -1; // -1: the default hook's answer
    bool windowDuringHooks = true;

protected:
    void OnBrowseInitialized() override {
        calls.push_back(QStringLiteral("initialized"));
        windowDuringHooks = windowDuringHooks && BrowseWindow();
        CFolderDialog::OnBrowseInitialized();
    }
    void OnBrowseSelChanged(const BrowseItem& item) override {
        calls.push_back(QStringLiteral("selchanged ") + item.path);
        windowDuringHooks = windowDuringHooks && BrowseWindow();
        CFolderDialog::OnBrowseSelChanged(item);
    }
    int OnBrowseValidateFailed(const QString& typedName) override {
        typedNames.push_back(typedName);
        const int answer = CFolderDialog::OnBrowseValidateFailed(typedName);
        return validateAnswer < 0 ? answer : validateAnswer;
    }
    void OnBrowseUnknownInterface(QObject* unknown) override {
        calls.push_back(QStringLiteral("iunknown"));
        CFolderDialog::OnBrowseUnknownInterface(unknown);
    }
};

class FolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = temp.path();
        ASSERT_TRUE(QDir(root).mkpath("alpha/beta"));
        ASSERT_TRUE(QDir(root).mkpath("gamma"));
        previousBeep = SetMessageBeepHandler([this](unsigned type) { beeps.push_back(type); });
    }
    void TearDown() override {
        SetMessageBeepHandler(previousBeep);
        CFolderDialog::SetOnShow(nullptr);
    }

    // Runs the dialog; `drive` acts on the open window inside its modal loop.
    int Run(CFolderDialog& dialog, std::function<void(CFolderBrowseWindow*)> drive) {
        CFolderDialog::SetOnShow([drive](CFolderBrowseWindow* window) {
            QTimer::singleShot(0, window, [window, drive] { drive(window); });
            // Never hang the run: a dialog left open is a failure.
            QTimer::singleShot(10000, window, [window] {
                ADD_FAILURE() << "the folder dialog was left open";
                window->reject();
            });
        });
        const int result = dialog.DoModal();
        CFolderDialog::SetOnShow(nullptr);
        return result;
    }

    static void Click(QPushButton* button) {
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static void TypeAndConfirm(CFolderBrowseWindow* window, const QString& text) {
        QLineEdit* edit = window->EditBox();
        ASSERT_TRUE(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Key simulation knows only ASCII; other text is pasted in.
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QString Path(const QString& relative) const { return root + '/' + relative; }

    QTemporaryDir temp;
    QString root;
    std::vector<unsigned> beeps;
    std::function<void(unsigned)> previousBeep;
};

TEST_F(FolderDialogTest, OpensWithTheInitialFolderSelectedAndReturnsIt) {
    RecordingFolderDialog dialog("Pick one", Path("alpha/beta"), nullptr, 0x51);
    QString highlighted;
    QString shownName;
    const int result = Run(dialog, [&](CFolderBrowseWindow* window) {
        highlighted = window->CurrentItem().path;
        shownName = window->Tree()->currentIndex().data().toString();
        Click(window->OkButton());
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(highlighted, Path("alpha/beta"));
    EXPECT_EQ(shownName, "beta");
    EXPECT_EQ(dialog.GetFolderPath(), Path("alpha/beta"));
    EXPECT_FALSE(dialog.GetFolderPath().endsWith('/'));
}

TEST_F(FolderDialogTest, HooksRunInTheCallbackOrderWithTheBrowseWindowSet) {
    RecordingFolderDialog dialog("Pick one", Path("gamma"), nullptr, 0x51);
    Run(dialog, [](CFolderBrowseWindow* window) { window->reject(); });
    ASSERT_GE(dialog.calls.size(), 3u);
    EXPECT_EQ(dialog.calls[0], "initialized");
    EXPECT_EQ(dialog.calls[1], "selchanged " + Path("gamma"));
    EXPECT_EQ(dialog.calls[2], "iunknown");
    EXPECT_TRUE(dialog.windowDuringHooks);
}

TEST_F(FolderDialogTest, StatusLineFollowsTheSelectionOnlyWithStatusText) {
    RecordingFolderDialog withStatus("Pick one", Path("alpha/beta"), nullptr,
                                     BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    QString first, afterMove;
    bool visible = false;
    Run(withStatus, [&](CFolderBrowseWindow* window) {
        first = window->StatusLine()->text();
        visible = window->StatusLine()->isVisible();
        window->Tree()->setFocus();
        QTest::keyClick(window->Tree(), Qt::Key_Left); // from "beta" up to "alpha"
        afterMove = window->StatusLine()->text();
        Click(window->OkButton());
    });
    EXPECT_TRUE(visible);
    EXPECT_EQ(first, Path("alpha/beta"));
    EXPECT_EQ(afterMove, Path("alpha"));
    EXPECT_EQ(withStatus.GetFolderPath(), Path("alpha"));

    RecordingFolderDialog withoutStatus("Pick one", Path("alpha/beta"), nullptr, 0x51);
    QString text = "untouched";
    Run(withoutStatus, [&](CFolderBrowseWindow* window) {
        window->Tree()->setFocus();
        QTest::keyClick(window->Tree(), Qt::Key_Left);
        text = window->StatusLine()->text();
        visible = window->StatusLine()->isVisible();
        Click(window->OkButton());
    });
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(visible);
    EXPECT_EQ(withoutStatus.GetFolderPath(), Path("alpha"));
}

TEST_F(FolderDialogTest, CancelGivesMinusOneAndLeavesThePathEmpty) {
    CFolderDialog byButton("Pick one", Path("gamma"), nullptr, 0x51);
    EXPECT_EQ(Run(byButton,
                  [](CFolderBrowseWindow* window) {
                      const auto buttons = window->findChildren<QPushButton*>();
                      for (QPushButton* b : buttons)
                          if (b->text() == "Cancel")
                              Click(b);
                  }),
              -1);
    EXPECT_TRUE(byButton.GetFolderPath().isEmpty());

    CFolderDialog byEscape("Pick one", Path("gamma"), nullptr, 0x51);
    EXPECT_EQ(Run(byEscape,
                  [](CFolderBrowseWindow* window) {
                      window->Tree()->setFocus();
                      QTest::keyClick(window->Tree(), Qt::Key_Escape);
                  }),
              -1);
    EXPECT_TRUE(byEscape.GetFolderPath().isEmpty());
}

TEST_F(FolderDialogTest, TypedFolderIsChosenAbsoluteOrBelowTheHighlightedOne) {
    CFolderDialog absolute("Pick one", Path("alpha"), nullptr, 0x51);
    EXPECT_EQ(
        Run(absolute, [&](CFolderBrowseWindow* window) { TypeAndConfirm(window, Path("gamma")); }),
        1);
    EXPECT_EQ(absolute.GetFolderPath(), Path("gamma"));

    CFolderDialog relative("Pick one", Path("alpha"), nullptr, 0x51);
    EXPECT_EQ(Run(relative, [&](CFolderBrowseWindow* window) { TypeAndConfirm(window, "beta"); }),
              1);
    EXPECT_EQ(relative.GetFolderPath(), Path("alpha/beta"));
}

TEST_F(FolderDialogTest, FailedValidationBeepsAndKeepsTheDialogOpen) {
    RecordingFolderDialog dialog("Pick one", Path("alpha"), nullptr,
                                 BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE);
    bool openAfterTyping = false;
    const int result = Run(dialog, [&](CFolderBrowseWindow* window) {
        TypeAndConfirm(window, "no such folder");
        QCoreApplication::processEvents();
        openAfterTyping = window->isVisible();
        window->reject();
    });
    EXPECT_TRUE(openAfterTyping);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(dialog.typedNames.size(), 1u);
    EXPECT_EQ(dialog.typedNames[0], "no such folder");
    ASSERT_EQ(beeps.size(), 1u);
    EXPECT_EQ(beeps[0], 0x10u);
}

TEST_F(FolderDialogTest, ValidationHookAnsweringZeroDismissesWithoutAFolder) {
    RecordingFolderDialog dialog("Pick one", Path("alpha"), nullptr,
                                 BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE);
    dialog.validateAnswer = 0;
    EXPECT_EQ(Run(dialog, [&](CFolderBrowseWindow* window) { TypeAndConfirm(window, "nothing"); }),
              -1);
    EXPECT_TRUE(dialog.GetFolderPath().isEmpty());
}

TEST_F(FolderDialogTest, TypedNameThatIsNoFolderIsRefusedWithoutValidate) {
    CFolderDialog dialog("Pick one", Path("alpha"), nullptr, 0x51);
    bool open = false;
    QString notice;
    Run(dialog, [&](CFolderBrowseWindow* window) {
        TypeAndConfirm(window, "missing");
        QCoreApplication::processEvents();
        open = window->isVisible();
        notice = window->NoticeLine()->text();
        window->reject();
    });
    EXPECT_TRUE(open);
    EXPECT_TRUE(notice.contains("missing"));
    EXPECT_EQ(beeps.size(), 1u);
}

TEST_F(FolderDialogTest, ItemWithoutAFileSystemPathGivesTwo) {
    CFolderDialog dialog("Pick one", Path("alpha"), nullptr, 0);
    EXPECT_EQ(Run(dialog,
                  [](CFolderBrowseWindow* window) {
                      window->Tree()->setCurrentIndex(QModelIndex());
                      Click(window->OkButton());
                  }),
              2);

    // Only file-system folders may be chosen: OK stays disabled on the root.
    CFolderDialog fsOnly("Pick one", Path("alpha"), nullptr, BIF_RETURNONLYFSDIRS);
    bool okEnabled = true;
    Run(fsOnly, [&](CFolderBrowseWindow* window) {
        window->Tree()->setCurrentIndex(QModelIndex());
        okEnabled = window->OkButton()->isEnabled();
        window->reject();
    });
    EXPECT_FALSE(okEnabled);
}

TEST_F(FolderDialogTest, PathsLongerThanTheBufferAreRefused) {
    // Two-byte characters: 200 characters but 400 bytes.
    const QString longName = QString(100, QChar(0x00FC));
    ASSERT_TRUE(QDir(root).mkpath(longName + '/' + longName));
    const QString longPath = Path(longName + '/' + longName);
    ASSERT_GE(longPath.toUtf8().size(), 260);

    CFolderDialog ignored("Pick one", longPath, nullptr, 0x51);
    EXPECT_TRUE(ignored.InitialFolder().isEmpty());

    CFolderDialog dialog("Pick one", Path("alpha"), nullptr, 0x51);
    bool open = false;
    Run(dialog, [&](CFolderBrowseWindow* window) {
        TypeAndConfirm(window, longPath);
        QCoreApplication::processEvents();
        open = window->isVisible() && window->NoticeLine()->isVisible();
        window->reject();
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(beeps.size(), 1u);
    EXPECT_TRUE(dialog.GetFolderPath().isEmpty());
}

TEST_F(FolderDialogTest, NewFolderButtonMakesAndHighlightsAFolder) {
    CFolderDialog plain("Pick one", Path("gamma"), nullptr, BIF_RETURNONLYFSDIRS | BIF_EDITBOX);
    Run(plain, [](CFolderBrowseWindow* window) {
        EXPECT_EQ(window->NewFolderButton(), nullptr);
        window->reject();
    });

    CFolderDialog dialog("Pick one", Path("gamma"), nullptr, 0x51);
    const int result = Run(dialog, [](CFolderBrowseWindow* window) {
        Click(window->NewFolderButton());
        Click(window->NewFolderButton());
        Click(window->OkButton());
    });
    EXPECT_TRUE(QFileInfo(Path("gamma/New Folder")).isDir());
    EXPECT_TRUE(QFileInfo(Path("gamma/New Folder/New Folder")).isDir());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.GetFolderPath(), Path("gamma/New Folder/New Folder"));
}

// The home folder of these tests is a temporary folder of their own.
class HomeOverride {
public:
    explicit HomeOverride(const QString& home) : previous(qgetenv("HOME")) {
        qputenv("HOME", home.toUtf8());
    }
    ~HomeOverride() { qputenv("HOME", previous); }

private:
    QByteArray previous;
};

TEST_F(FolderDialogTest, WithoutAnInitialFolderTheHomeFolderIsHighlightedAndAButtonAway) {
    HomeOverride home(Path("gamma"));
    RecordingFolderDialog dialog("Pick one", QString(), nullptr, 0x51);
    QString first, afterHome;
    const int result = Run(dialog, [&](CFolderBrowseWindow* window) {
        first = window->CurrentItem().path;
        window->SendMessage(BFFM_SETSELECTIONA, 1, Path("alpha/beta"));
        Click(window->HomeButton());
        afterHome = window->CurrentItem().path;
        Click(window->OkButton());
    });
    // No selection was asked for: the first selection change is the default one.
    ASSERT_GE(dialog.calls.size(), 2u);
    EXPECT_EQ(dialog.calls[1], "iunknown");
    EXPECT_EQ(first, Path("gamma"));
    EXPECT_EQ(afterHome, Path("gamma"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.GetFolderPath(), Path("gamma"));
}

TEST_F(FolderDialogTest, ResponderAnswersWithoutAWindow) {
    auto previous = CFolderDialog::SetResponder([](const CFolderDialog& d, QString& path) {
        path = d.Title() + "/chosen";
        return 1;
    });
    CFolderDialog dialog("/tmp", QString(), nullptr, 0x51);
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetFolderPath(), "/tmp/chosen");
    CFolderDialog::SetResponder(previous);
}

} // namespace
