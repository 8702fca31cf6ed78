#include "tasks/TaskTable.h"

#include <cmath>
#include <cstring>

TaskRecord taskTable[TASK_TABLE_SIZE];

bool FitsFixedText(const QString& text) {
    return FitsMaxPath(text);
}

bool SetFixedText(char (&field)[MAX_PATH], const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() >= MAX_PATH)
        return false;
    std::memcpy(field, bytes.constData(), bytes.size());
    field[bytes.size()] = '\0';
    return true;
}

QString FixedText(const char (&field)[MAX_PATH]) {
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, MAX_PATH)));
}

QString FormatTimeText(int s) {
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

QString FormatTimeText(double seconds) {
    // Saturate instead of overflowing for values no int can hold.
    if (!(seconds > -2147483648.0 && seconds < 2147483648.0))
        return FormatTimeText(seconds > 0 ? 2147483647 : 0);
    return FormatTimeText(static_cast<int>(std::trunc(seconds)));
}

QString GetFileName(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString GetFileExtension(const QString& path) {
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString GetDisplayName(const QString& path) {
    return QLatin1Char(' ') + GetFileName(path);
}

QString GetTitle(const QString& path) {
    const QString display = GetDisplayName(path);
    const qsizetype dot = display.lastIndexOf('.');
    return dot < 0 ? display : display.left(dot);
}
