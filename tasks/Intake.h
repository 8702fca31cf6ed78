#pragma once
// The one intake of a source for the window and ostrela-convert: which files
// cannot become tasks, and the task of one that can. Each front end says the
// problem in its own words.

#include "tasks/TaskList.h"

#include <QString>

enum class SourceProblem {
    None,
    Dvd,         // a DVD file (*.vob, *.ifo), which needs a program of its own
    PathTooLong, // the path or the title does not fit the task table's fields
    Unreadable,  // the media library finds no playing time
    NoSound,     // the library knows the file has no sound track
    NoSuchTrack, // the track asked for is not among the file's tracks
};

// What the path alone tells, without reading the file: Dvd, PathTooLong or None.
SourceProblem CheckSourcePath(const QString& path);

struct ProbedSource {
    SourceProblem problem = SourceProblem::None;
    Task task;          // filled when there is no problem
    int trackCount = 0; // the file's sound tracks, when known
};

// Probes the file with the media library and makes its task: the whole file
// as its clip, `track` (from 1; 0 for none) as the chosen one. Without the
// library nothing is known about the tracks, and the file is taken.
ProbedSource ProbeSource(const QString& path, int track = 0);

// The jobs of one task at Convert: the task itself, or for a task split into
// chapters one task per chapter inside its clip, each with the chapter cut to
// the clip as its clip and its number among them, the count and its title in
// `part`. A split task without a chapter inside its clip converts whole.
QList<Task> SplitIntoChapters(const Task& task);
