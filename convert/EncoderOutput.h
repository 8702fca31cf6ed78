#pragma once
// Reading the encoder's progress lines: the media time reached, a short status
// text about the output, and the task and total percentages. A chunk is
// whatever one read of the encoder's pipe returned, not split into lines.
// Everything here is a pure function of its arguments.

#include <QString>

// The media time a chunk reports, in whole seconds; 0.0 unless the chunk holds
// "time=" and "bitrate=", neither at its very start. A time text cut off by the
// end of the chunk counts as no report, so a partial "HH:M" never reads as more
// time than the encoder has reached.
double ParseElapsedSeconds(const QString& chunk);

// Seconds of an "HH:MM:SS" text, fields taken by position: hours from the first
// two characters, minutes and seconds from the last five.
double ParseTimeText(const QString& timeText);

// "OutputSize:<size>     Frames:<frames>    ", or "N/A" when that is longer
// than 60 characters.
QString FormatOutputStatus(const QString& chunk);

// Per cent of the clip reached, truncated; never negative, not limited to 100,
// and 0 for a clip length of 0 or less.
int TaskPercent(double elapsedSeconds, double clipLength);

// Per cent of all tasks reached with task `current` (0-based) at `percent`;
// never negative, and 0 when there are no tasks.
int TotalPercent(int current, int percent, int count);
