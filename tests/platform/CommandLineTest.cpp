// Splitting a command string into arguments by the Windows rules, and quoting
// an argument so that the split gives it back.

#include "platform/CommandLine.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

class CommandLineSplit : public ::testing::Test {};

TEST_F(CommandLineSplit, WorkedExample) {
    EXPECT_EQ(CommandLineToArgv("\"/opt/o/vexa.exe\" -i \"/v/clip one.avi\"  -y"),
              QStringList({"/opt/o/vexa.exe", "-i", "/v/clip one.avi", "-y"}));
}

TEST_F(CommandLineSplit, EmptyAndBlankLinesHaveNoArguments) {
    EXPECT_TRUE(CommandLineToArgv("").isEmpty());
    EXPECT_TRUE(CommandLineToArgv(" \t ").isEmpty());
}

TEST_F(CommandLineSplit, BlanksAndTabsSeparate) {
    EXPECT_EQ(CommandLineToArgv("  prog\ta  \t b  "), QStringList({"prog", "a", "b"}));
    EXPECT_EQ(CommandLineToArgv("prog a\nb"), QStringList({"prog", "a\nb"}));
}

TEST_F(CommandLineSplit, ProgramNameRules) {
    // Quoted: up to the next quote, backslashes plain.
    EXPECT_EQ(CommandLineToArgv("\"C:\\dir\\\" x"), QStringList({"C:\\dir\\", "x"}));
    EXPECT_EQ(CommandLineToArgv("\"/a b\"c d"), QStringList({"/a b", "c", "d"}));
    EXPECT_EQ(CommandLineToArgv("\"/a b"), QStringList({"/a b"}));
    EXPECT_EQ(CommandLineToArgv("\"\" x"), QStringList({"", "x"}));
    // Unquoted: up to the next blank, quotes plain.
    EXPECT_EQ(CommandLineToArgv("/a\"b c"), QStringList({"/a\"b", "c"}));
    EXPECT_EQ(CommandLineToArgv("/a\\\"b\\ c"), QStringList({"/a\\\"b\\", "c"}));
}

TEST_F(CommandLineSplit, BackslashesBeforeQuotes) {
    EXPECT_EQ(CommandLineToArgv("p a\\\\\\\"b"), QStringList({"p", "a\\\"b"}));
    EXPECT_EQ(CommandLineToArgv("p a\\\\\"b c\""), QStringList({"p", "a\\b c"}));
    EXPECT_EQ(CommandLineToArgv("p a\\\\\\\\\"b\""), QStringList({"p", "a\\\\b"}));
    EXPECT_EQ(CommandLineToArgv("p \\\"x\\\""), QStringList({"p", "\"x\""}));
}

TEST_F(CommandLineSplit, OtherBackslashesLiteral) {
    EXPECT_EQ(CommandLineToArgv("p a\\b\\\\c d\\"), QStringList({"p", "a\\b\\\\c", "d\\"}));
    EXPECT_EQ(CommandLineToArgv("p \"a b\\\\\" c"), QStringList({"p", "a b\\", "c"}));
}

TEST_F(CommandLineSplit, QuotesWithinArguments) {
    EXPECT_EQ(CommandLineToArgv("p a\"b c\"d e"), QStringList({"p", "ab cd", "e"}));
    EXPECT_EQ(CommandLineToArgv("p \"a\"\"b\""), QStringList({"p", "a\"b"}));
    EXPECT_EQ(CommandLineToArgv("p \"\" \"\"  x"), QStringList({"p", "", "", "x"}));
    EXPECT_EQ(CommandLineToArgv("p \"unclosed  run"), QStringList({"p", "unclosed  run"}));
}

TEST_F(CommandLineSplit, NonAsciiKept) {
    EXPECT_EQ(CommandLineToArgv("\"/ü/é x\" \"日本 語\" ñ"),
              QStringList({"/ü/é x", "日本 語", "ñ"}));
}

class QuoteArgumentTest : public ::testing::Test {
protected:
    static QStringList RoundTrip(const QStringList& arguments) {
        QString line = "prog";
        for (const QString& argument : arguments)
            line += ' ' + QuoteArgument(argument);
        return CommandLineToArgv(line).mid(1);
    }
};

TEST_F(QuoteArgumentTest, PlainTextOnlyWrapped) {
    EXPECT_EQ(QuoteArgument("/v/clip one.avi"), "\"/v/clip one.avi\"");
    EXPECT_EQ(QuoteArgument("a\\b\\\\c"), "\"a\\b\\\\c\"");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
}

TEST_F(QuoteArgumentTest, QuotesAndTrailingBackslashesEscaped) {
    EXPECT_EQ(QuoteArgument("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
    EXPECT_EQ(QuoteArgument("a\\"), "\"a\\\\\"");
}

TEST_F(QuoteArgumentTest, AwkwardArgumentsComeBackWhole) {
    const QStringList awkward{"",         " ",          "\"",      "\"\"",    "\\",
                              "\\\\",     "\\\"",       "a\\",     "a b\\\\", "\\\"\\\"",
                              "x\t\"y\"", "é \"ü\" \\", "\"start", "end\"",   "-y"};
    EXPECT_EQ(RoundTrip(awkward), awkward);
}

TEST_F(QuoteArgumentTest, RandomArgumentsComeBackWhole) {
    QRandomGenerator random(20261206);
    const QString alphabet = "ab \t\\\"é";
    for (int round = 0; round < 2000; ++round) {
        QStringList arguments;
        const int count = random.bounded(1, 4);
        for (int i = 0; i < count; ++i) {
            QString argument;
            const int length = random.bounded(0, 10);
            for (int j = 0; j < length; ++j)
                argument += alphabet[random.bounded(int(alphabet.size()))];
            arguments << argument;
        }
        ASSERT_EQ(RoundTrip(arguments), arguments);
    }
}
