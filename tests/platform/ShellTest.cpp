// The real shell's question to the desktop, with desktop folders of the test's own.

#include "platform/Shell.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testing_support::WriteFile;

// Only an entry for the document's type counts, so the help goes to a viewer or to none.
TEST(Shell, ADocumentHasAnApplicationOnlyWhenAnEntryTakesItsType) {
    QTemporaryDir dirs;
    ASSERT_TRUE(QDir(dirs.path()).mkpath("applications"));
    // The system's file types, without the system's applications.
    ASSERT_TRUE(QFile::link("/usr/share/mime", dirs.filePath("mime")));
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
        qputenv(name, dirs.path().toLocal8Bit());
    const QString chm = dirs.filePath("help.chm");
    ASSERT_TRUE(WriteFile(chm, "ITSF"));
    EXPECT_FALSE(HasApplicationFor(chm));
    ASSERT_TRUE(WriteFile(dirs.filePath("applications/viewer.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n"
                          "MimeType=application/vnd.ms-htmlhelp;\n"));
    EXPECT_TRUE(HasApplicationFor(chm));
}
