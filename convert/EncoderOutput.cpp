#include "convert/EncoderOutput.h"

#include <climits>
#include <cmath>

namespace {

bool IsCSpace(QChar c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Substrings with clamping: a negative start counts as 0, a count past the end
// stops at the end, a negative count or a start past the end gives "".
QString Mid(const QString& text, qsizetype start, qsizetype count) {
    if (start < 0)
        start = 0;
    if (count < 0 || start > text.size())
        return QString();
    return text.mid(start, qMin(count, text.size() - start));
}

QString Trim(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsCSpace(text[begin]))
        ++begin;
    while (end > begin && IsCSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The C atoi reading: leading white space, an optional sign, digits up to the
// first non-digit; 0 without digits. Saturates instead of overflowing.
int Atoi(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -value : value);
}

constexpr qsizetype TimeTextLength = 8; // HH:MM:SS

} // namespace

double ParseElapsedSeconds(const QString& chunk) {
    const qsizetype time = chunk.indexOf(QLatin1String("time="));
    const qsizetype bitrate = chunk.indexOf(QLatin1String("bitrate="));
    if (time <= 0 || bitrate <= 0)
        return 0.0;
    const qsizetype start = time + 5;
    if (chunk.size() - start < TimeTextLength)
        return 0.0;
    return ParseTimeText(Trim(Mid(chunk, start, TimeTextLength)));
}

double ParseTimeText(const QString& timeText) {
    const int hours = Atoi(timeText.left(2));
    const QString rest = timeText.right(5);
    const int minutes = Atoi(rest.left(2));
    const int seconds = Atoi(rest.right(2));
    return double(hours * 3600 + minutes * 60 + seconds);
}

QString FormatOutputStatus(const QString& chunk) {
    const qsizetype q = chunk.indexOf(QLatin1String("q="));
    const qsizetype size = chunk.indexOf(QLatin1String("size="));
    const qsizetype time = chunk.indexOf(QLatin1String("time="));

    // Behind a leading "frame=" and before "q=": the frame count and fps part.
    const QString frames = q < 6 ? QString() : Trim(Mid(chunk, 6, q - 6));
    const QString sizeText = Trim(Mid(chunk, size + 5, time - (size + 5)));

    const QString status = QStringLiteral("OutputSize:") + sizeText +
                           QStringLiteral("     Frames:") + frames + QStringLiteral("    ");
    return status.size() > 60 ? QStringLiteral("N/A") : status;
}

int TaskPercent(double elapsedSeconds, double clipLength) {
    if (!(clipLength > 0))
        return 0;
    const double percent = 100.0 * elapsedSeconds / clipLength;
    if (!(percent > 0))
        return 0;
    if (percent >= double(INT_MAX))
        return INT_MAX;
    return int(percent);
}

int TotalPercent(int current, int percent, int count) {
    if (count <= 0)
        return 0;
    const long long total = (static_cast<long long>(current) * 100 + percent) / count;
    if (total < 0)
        return 0;
    return total > INT_MAX ? INT_MAX : int(total);
}
