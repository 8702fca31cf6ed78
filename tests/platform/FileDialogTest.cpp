// The file dialog's list of types, as a real dialog shows and applies it (the
// dialog is set up, never shown).

#include "TestSupport.h"
#include "platform/FileDialog.h"

#include <QComboBox>
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
