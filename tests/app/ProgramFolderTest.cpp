// Where the program's own files are looked for.

#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(ProgramFolderTest, KeepsTheFinalSeparatorAndIsEmptyWithoutOne) {
    EXPECT_EQ(ProgramFolderOf("/opt/my folder/x.y/ostrela"), "/opt/my folder/x.y/");
    EXPECT_EQ(ProgramFolderOf("/ostrela"), "/");
    EXPECT_EQ(ProgramFolderOf("ostrela"), "");
    EXPECT_EQ(GetProgramFolder(), QCoreApplication::applicationDirPath() + "/");
}
