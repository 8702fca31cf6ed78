// Where the program's own files are looked for.

#include "app/ProgramFolder.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(ProgramFolderTest, KeepsTheFinalSeparatorAndIsEmptyWithoutOne) {
    EXPECT_EQ(ProgramFolderOf("/opt/ostrela/ostrela"), "/opt/ostrela/");
    EXPECT_EQ(ProgramFolderOf("/ostrela"), "/");
    EXPECT_EQ(ProgramFolderOf("/opt/my folder/x.y/ostrela"), "/opt/my folder/x.y/");
    EXPECT_EQ(ProgramFolderOf("ostrela"), "");
    EXPECT_EQ(ProgramFolderOf(""), "");
}

TEST(ProgramFolderTest, IsTheRunningProgramsFolder) {
    EXPECT_EQ(GetProgramFolder(), QCoreApplication::applicationDirPath() + "/");
}

TEST(ProgramFolderTest, AFileNameAppendedGivesOneSeparator) {
    testing_support::ProgramFolderOverride over("/tmp/some folder");
    EXPECT_EQ(GetProgramFolder() + "lumora.skf", "/tmp/some folder/lumora.skf");
}
