// Splitting a command string by the Windows rules, and quoting for that split.

#include "platform/CommandLine.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

TEST(CommandLineToArgv, SplitsByTheWindowsRules) {
    const struct {
        const char* line;
        QStringList arguments;
    } cases[] = {
        {"\"/opt/o/vexa.exe\" -i \"/v/clip one.avi\"  -y",
         {"/opt/o/vexa.exe", "-i", "/v/clip one.avi", "-y"}},
        {" \t ", {}},
        {" \t prog\ta  \t b\nc  ", {"prog", "a", "b\nc"}},
        // The program name runs to the next quote or blank; backslashes in it are plain.
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"\"/a b\"c d", {"/a b", "c", "d"}},
        {"\"/a b", {"/a b"}},
        {"\"\" x", {"", "x"}},
        {"/a\\\"b\\ c", {"/a\\\"b\\", "c"}},
        // Backslashes halve only before a quote; an odd count makes it literal.
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"p a\\b\\\\c d\\", {"p", "a\\b\\\\c", "d\\"}},
        {"p \"a b\\\\\" c", {"p", "a b\\", "c"}},
        // Quotes group blanks, "" inside quotes is one quote, an open quote runs to the end.
        {"p a\"b c\"d e", {"p", "ab cd", "e"}},
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \"\" \"\"  x", {"p", "", "", "x"}},
        {"p \"unclosed  run", {"p", "unclosed  run"}},
        {"\"/ü/é x\" \"日本 語\" ñ", {"/ü/é x", "日本 語", "ñ"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineToArgv(c.line), c.arguments) << c.line;
}

TEST(QuoteArgument, EscapesOnlyWhatTheSplitWouldChangeAndArgumentsComeBackWhole) {
    EXPECT_EQ(QuoteArgument("/v/clip one.avi"), "\"/v/clip one.avi\"");
    EXPECT_EQ(QuoteArgument("a\\b\\\\c"), "\"a\\b\\\\c\"");
    EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
    EXPECT_EQ(QuoteArgument("a\\"), "\"a\\\\\"");
    QRandomGenerator random(20261206);
    const QString alphabet = "ab \t\\\"é";
    for (int round = 0; round < 2000; ++round) {
        QStringList arguments;
        QString line = "prog";
        for (int i = random.bounded(1, 4); i > 0; --i) {
            QString argument;
            for (int j = random.bounded(0, 10); j > 0; --j)
                argument += alphabet[random.bounded(int(alphabet.size()))];
            arguments << argument;
            line += ' ' + QuoteArgument(argument);
        }
        ASSERT_EQ(CommandLineToArgv(line).mid(1), arguments) << line.toStdString();
    }
}
