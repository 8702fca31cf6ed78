#pragma once
// The one place a task becomes an encoder job: its output path and the
// command line naming that path, made together from the same extension.

#include "convert/EncoderCommand.h"
#include "convert/Loudness.h"
#include "tasks/TaskList.h"

#include <QString>

struct EncoderJob {
    QString outputPath;
    QString commandLine;
    // Even loudness: the first pass, measuring the sound the conversion reads
    // and writing nothing; empty for a job of one pass. Its commandLine then
    // becomes the second pass through MeasuredCommandLine.
    QString measureLine = {};
    double loudnessTarget = 0;
};

// The job of a task with the settings: the task's extension (the format's,
// or with Keep Original its track's container), its track named when the
// user chose one (with Keep Original always the track its container was
// chosen for). A chosen track's title and language become the output's
// tags; with "Add Cover Picture" a container that carries a picture gets one.
// `copy` above 1 names the output "<title> (<copy>).<ext>", for a
// name another job already takes. A chapter of a split task is named
// ChapterOutputTitle and tagged with its title and its number among the
// task's outputs, without the source's chapter list.
EncoderJob BuildJob(const Task& task, const OutputSettings& settings, const QString& encoderPath,
                    int copy = 1);

// The conversion line of a job with a measure line, evening the sound out
// with what the first pass measured; the sample rate follows the filter.
QString MeasuredCommandLine(const EncoderJob& job, const LoudnessMeasure& measured);

// A chapter's title as part of a file name: without "/" (a "-" instead) and
// control characters, trimmed, at most 100 characters; "Chapter <number>"
// when nothing is left.
QString ChapterFileTitle(const QString& title, int number);

// "<title> - 01 - <chapter file title>": the chapter's number with two
// digits, more when the count needs them.
QString ChapterOutputTitle(const QString& title, const ChapterPart& part);

// The designed command line of entry `taskIndex` of the task table; empty
// outside the table.
QString BuildEncoderCommand(int taskIndex, const OutputSettings& settings,
                            const QString& encoderPath);
