// The real ostrela-convert reads a non-ASCII name without a UTF-8 locale (cron, ssh).

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgramLocaleTest, NonAsciiNamesAreReadWithoutAUtf8Locale) {
    QTemporaryDir dir;
    const QString video = dir.filePath("vid\u00e9o \u00fc.mp4");
    ASSERT_TRUE(testing_support::MakeMedia(video, 1));
    for (const char* variable : {"LANG", "LC_ALL"}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LC_ALL", "LC_CTYPE"})
            env.remove(name);
        env.insert(variable, "C");
        env.insert("XDG_CONFIG_HOME", dir.path());
        QProcess convert;
        convert.setProcessEnvironment(env);
        convert.start(testing_support::BinDir() + "ostrela-convert",
                      {"--format", "mp3", "--out", dir.filePath(variable), video});
        ASSERT_TRUE(convert.waitForFinished(60000));
        EXPECT_EQ(convert.exitCode(), 0)
            << variable << convert.readAllStandardError().toStdString();
    }
}
