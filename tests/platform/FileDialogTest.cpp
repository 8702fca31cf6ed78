// The Add Files dialog's types, as a real dialog (set up, never shown) applies them.

#include "TestSupport.h"
#include "platform/FileDialog.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Each type shows its text as written and filters by its own patterns; every
// container the encoder reads is offered among all media and on its own.
TEST(FileDialog, AddFilesShowsEachTypeOnceAndOffersEveryVideoContainer) {
    QTemporaryDir folder;
    testing_support::ProgramFolderOverride program(folder.path());
    COstrelaDlg dlg;
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    FileDialogRequest seen;
    {
        testing_support::SeamGuard seam(&SetFileDialogResponder,
                                        [&](const FileDialogRequest& request) {
                                            seen = request;
                                            SetUpFileDialog(dialog, request);
                                            return QStringList();
                                        });
        dlg.OnCommand(IDC_ADD_FILES);
    }

    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_TRUE(types);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    EXPECT_EQ(shown,
              QStringList({"All supported media files", "AVI files (*.avi)",
                           "MPEG files (*.mpeg; *.mpg)", "VCD files (*.dat)",
                           "Windows Media Files(*.asf; *.wmv)", "QuickTime Files(*.mov;*.qt)",
                           "Flash Files(*.flv)", "MP4 / 3GP Files(*.mp4; *.3gp)",
                           "Other Video Files(*.mkv; *.webm; *.m4v; *.mov; *.ts; *.m2ts; *.mts; "
                           "*.flv; *.ogv; *.3gp)",
                           "All Files (*.*)"}));
    EXPECT_EQ(types->currentIndex(), 0);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
    // What the dialog matches files against: each type's own patterns.
    EXPECT_EQ(dialog.nameFilters().value(2), "MPEG files (*.mpeg; *.mpg) (*.mpg *.mpeg)");
    for (const char* name : {"a.mkv", "a.webm", "a.m4v", "a.MOV", "a.ts", "a.m2ts", "a.mts",
                             "a.flv", "a.ogv", "a.3gp"}) {
        EXPECT_TRUE(QDir::match(seen.patterns[0], name)) << name;
        EXPECT_TRUE(QDir::match(seen.patterns[8], name)) << name;
    }
}
