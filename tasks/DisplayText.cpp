#include "tasks/DisplayText.h"

#include <QStringList>
#include <algorithm>

namespace {

const QChar kEllipsis(0x2026);

bool IsBidiControl(char16_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

bool IsOtherControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n') || (c >= 0x7F && c < 0xA0);
}

// Keeps the start and the end of a long line, never half a surrogate pair.
QString CutLine(const QString& line, int length) {
    if (line.size() <= length)
        return line;
    qsizetype head = (length - 1) / 2;
    qsizetype tail = length - 1 - head;
    if (head > 0 && line[head - 1].isHighSurrogate())
        --head;
    if (tail > 0 && line[line.size() - tail].isLowSurrogate())
        --tail;
    return line.left(head) + kEllipsis + line.right(tail);
}

} // namespace

QString DisplayText(const QString& text, int lineLength) {
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' || c == 0x2028 || c == 0x2029) {
            if (c != u'\r' || i + 1 == text.size() || text[i + 1] != u'\n')
                clean += u'\n';
        } else if (IsBidiControl(c)) {
            continue;
        } else if (IsOtherControl(c)) {
            clean += QChar::ReplacementCharacter;
        } else {
            clean += QChar(c);
        }
    }
    QStringList lines = clean.split(u'\n');
    if (lines.size() > kDisplayLines) {
        lines.resize(kDisplayLines - 1);
        lines << QString(kEllipsis);
    }
    for (QString& line : lines)
        line = CutLine(line, std::max(lineLength, 2));
    return lines.join(u'\n');
}

QString DisplayToolTip(const QString& text) {
    const QString shown = DisplayText(text);
    if (!shown.contains(u'<') && !shown.contains(u'&'))
        return shown;
    return QStringLiteral("<qt><p style=\"white-space:pre-wrap\">") + shown.toHtmlEscaped() +
           QStringLiteral("</p></qt>");
}
