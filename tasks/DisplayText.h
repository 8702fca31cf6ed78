#pragma once
// Text that comes from outside the program (a file's name and tags, a path,
// the encoder's messages) made fit to be shown. Such text may carry markup
// that a tooltip would render (pictures, links, files read on hover),
// direction marks that show "gpj.exe" as "exe.jpg", and lines of any length.

#include <QString>

// A shown line keeps at most this many characters, a text this many lines.
constexpr int kDisplayLineLength = 200;
constexpr int kDisplayLines = 20;

// The text as plain text to show: bidirectional controls dropped, other
// control characters but tab and line breaks shown as U+FFFD, each line
// longer than `lineLength` cut in its middle to that length with "…" (so a
// path keeps its start and its file name), and a text of more than
// kDisplayLines lines cut to that many, the last being "…".
QString DisplayText(const QString& text, int lineLength = kDisplayLineLength);

// DisplayText for a tooltip, which reads its text as markup when it guesses
// markup: text with "<" or "&" is escaped inside "<qt>...</qt>", line breaks
// and blanks kept, so it shows as it is and loads nothing; any other text
// stays plain and unchanged.
QString DisplayToolTip(const QString& text);
