// A non-ASCII file name is read whatever the locale: the real ostrela-convert,
// started as cron or ssh without a locale start it. The window's program sets
// up its locale the same way in main.

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgramLocaleTest, NonAsciiNamesAreReadWithoutAUtf8Locale) {
    QTemporaryDir dir;
    const QString video = dir.filePath("vid\u00e9o \u00fc.mp4");
    QString error;
    ASSERT_TRUE(testing_support::MakeMedia(video, 1, &error)) << error.toStdString();
    for (const char* variable : {"LANG", "LC_ALL"}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LC_ALL", "LC_CTYPE"})
            env.remove(name);
        env.insert(variable, "C");
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        QProcess convert;
        convert.setProcessEnvironment(env);
        convert.start(testing_support::BinDir() + "ostrela-convert",
                      {"--out", dir.filePath(variable), video});
        ASSERT_TRUE(convert.waitForFinished(60000));
        EXPECT_EQ(convert.exitCode(), 0)
            << variable << "=C: " << convert.readAllStandardError().toStdString();
        EXPECT_TRUE(QFile::exists(dir.filePath(variable) + "/vid\u00e9o \u00fc.mp3")) << variable;
    }
}
