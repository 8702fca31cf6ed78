#pragma once
// The task table shared by the task list, the clip dialog and the conversion:
// a fixed array of 100 records, entry i belonging to row i of the task list.
// Text fields hold UTF-8 in fixed 260-byte fields; what does not fit is refused,
// never cut.

#include "platform/FileSystem.h"

#include <QString>
#include <cstdint>

constexpr int TASK_TABLE_SIZE = 100;

struct TaskRecord {
    double duration;   // playing time of the whole source, whole seconds
    double clipStart;  // start of the part to extract, seconds
    double clipLength; // length of the part to extract, seconds
    char sourcePath[MAX_PATH];
    char title[MAX_PATH]; // one blank, then the file name without its extension
    int32_t reserved;
    int32_t clipSet; // 1 once a clip was stored with the clip dialog's OK
};

extern TaskRecord taskTable[TASK_TABLE_SIZE];

// Stores UTF-8 text in a fixed field; false (and the field untouched) when the
// text and its terminator do not fit.
bool SetFixedText(char (&field)[MAX_PATH], const QString& text);
QString FixedText(const char (&field)[MAX_PATH]);

// True when the text fits a fixed field.
bool FitsFixedText(const QString& text);

// "%02d:%02d:%02d" of whole seconds; hours are not limited to two digits.
QString FormatTimeText(int seconds);
// The same after truncating toward zero.
QString FormatTimeText(double seconds);

// The file name: the text after the last "/", the whole path when there is none.
QString GetFileName(const QString& path);

// The file name's extension without its full stop; empty when the name has none.
QString GetFileExtension(const QString& path);

// One blank followed by the file name: the text of the task list's first column.
QString GetDisplayName(const QString& path);

// The display name cut before its last full stop; the whole display name when
// the file name has no full stop, so an output file is never nameless.
QString GetTitle(const QString& path);
