// The file dialog's list of types, as a real dialog shows and applies it (the
// dialog is set up, never shown).

#include "TestSupport.h"
#include "platform/FileDialog.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QFileDialog>
#include <gtest/gtest.h>

TEST(FileDialog, EachTypeShowsItsTextOnceAndFiltersByItsPatterns) {
    const QString filter = "All supported media files|*.avi;*.mpg;*.dat;*.dat|AVI files "
                           "(*.avi)|*.avi|MPEG files (*.mpeg; *.mpg)|*.mpg; *.mpeg|All Files "
                           "(*.*)|*.*||ignored|*.x|";
    CFileDialog files(true, QString(), QString(), OFN_ALLOWMULTISELECT, filter);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList shown;
    {
        testing_support::SeamGuard seam(&SetFileDialogResponder,
                                        [&](const FileDialogRequest& request) {
                                            SetUpFileDialog(dialog, request);
                                            return QStringList();
                                        });
        files.DoModal();
    }

    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_TRUE(types);
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    EXPECT_EQ(shown, QStringList({"All supported media files", "AVI files (*.avi)",
                                  "MPEG files (*.mpeg; *.mpg)", "All Files (*.*)"}));
    EXPECT_EQ(types->currentIndex(), 0);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::AnyFile);
    // What the dialog matches files against: each type's own patterns.
    EXPECT_EQ(dialog.nameFilters(),
              QStringList({"All supported media files (*.avi *.mpg *.dat *.dat)",
                           "AVI files (*.avi) (*.avi)", "MPEG files (*.mpeg; *.mpg) (*.mpg *.mpeg)",
                           "All Files (*.*) (*.*)"}));
}

// Add Files offers every container the encoder reads, in "All supported media
// files" and as a type of their own; the designed types stay as they were.
TEST(FileDialog, AddFilesOffersEveryVideoContainer) {
    QTemporaryDir folder;
    testing_support::ProgramFolderOverride program(folder.path());
    COstrelaDlg dlg;
    FileDialogRequest seen;
    {
        testing_support::SeamGuard seam(&SetFileDialogResponder,
                                        [&](const FileDialogRequest& request) {
                                            seen = request;
                                            return QStringList();
                                        });
        dlg.OnCommand(IDC_ADD_FILES);
    }
    ASSERT_EQ(seen.nameFilters.size(), 10);
    EXPECT_EQ(seen.nameFilters.mid(1, 7),
              QStringList({"AVI files (*.avi)", "MPEG files (*.mpeg; *.mpg)", "VCD files (*.dat)",
                           "Windows Media Files(*.asf; *.wmv)", "QuickTime Files(*.mov;*.qt)",
                           "Flash Files(*.flv)", "MP4 / 3GP Files(*.mp4; *.3gp)"}));
    EXPECT_EQ(seen.nameFilters.last(), "All Files (*.*)");
    for (const char* name : {"a.mkv", "a.webm", "a.m4v", "a.MOV", "a.ts", "a.m2ts", "a.mts",
                             "a.flv", "a.ogv", "a.3gp"}) {
        EXPECT_TRUE(QDir::match(seen.patterns[0], name)) << name;
        EXPECT_TRUE(QDir::match(seen.patterns[8], name)) << name;
    }
}
