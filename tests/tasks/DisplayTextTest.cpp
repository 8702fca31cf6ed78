// Outside text as shown: direction marks dropped, controls visible, lines bounded.

#include "tasks/DisplayText.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayTextTest, DropsDirectionMarksShowsControlsAndBoundsLinesAndTheirCount) {
    const QString ellipsis = QString::fromUtf8("\u2026");
    const QString a(120, 'a'), b(120, 'b');
    const QString smile = QString::fromUtf8("\U0001F600");
    const struct {
        QString text;
        QString shown;
        int lineLength = 200;
    } cases[] = {
        {"clip one.avi", "clip one.avi"},
        {QString::fromUtf8("\u202Egpj.exe \u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069"
                           "\u200E\u200F\u061Cend"),
         "gpj.exe end"},
        {QString::fromUtf8("a\x01\x1b[31mb\tc\x7f\u0085"),
         QString::fromUtf8("a\uFFFD\uFFFD[31mb\tc\uFFFD\uFFFD")},
        {QString::fromUtf8("a\r\nb\rc\u2028d\ne"), "a\nb\nc\nd\ne"},
        // The start and the end of a long line stay: a path keeps its file name.
        {a + b + "\nshort", a.left(99) + ellipsis + b.right(100) + "\nshort"},
        {a + b, a + b, 260},
        // Never half a character.
        {smile.repeated(150), smile.repeated(49) + ellipsis + smile.repeated(50)},
        {smile.repeated(150) + 'y', smile.repeated(49) + ellipsis + smile.repeated(49) + 'y'},
        {QString("x\n").repeated(29) + 'x', QString("x\n").repeated(19) + ellipsis},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayText(c.text, c.lineLength), c.shown) << c.text.toStdString();
}

} // namespace
