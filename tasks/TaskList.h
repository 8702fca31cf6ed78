#pragma once
// The task list's entries behind one object: row i of the list is entry i of
// the designed arrays taskTable and taskTracks and of the chapters kept here,
// and only this object fills, moves or clears them, so a record, its sound
// tracks and its chapters always move together.

#include "tasks/TaskChapters.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <array>

// One task: its record and its sound tracks, as the clip dialog, a
// conversion job and ostrela-convert take it.
struct Task {
    Task() = default;
    Task(const TaskRecord& r, TaskTracks t, TaskChapters c = {}, ChapterPart p = {})
        : record(r), tracks(std::move(t)), chapters(std::move(c)), part(std::move(p)) {}

    TaskRecord record{};
    TaskTracks tracks;
    TaskChapters chapters;
    ChapterPart part; // set only on the jobs a split task becomes
};

// The record and tracks of a probed source: the whole file as its clip, no
// track chosen.
Task MakeTask(const QString& path, int seconds, QList<SoundTrack> tracks);

// There is one list of entries (the arrays are the program's); the main
// window keeps its count.
class TaskList {
public:
    int Count() const { return count; }

    // Fills entry Count() from the task, keeping its clipSet; false (nothing
    // written) when the table is full.
    bool Add(const Task& task);
    // Removes one entry: the later ones move down by one. The vacated record
    // keeps its old contents; its sound-track entry is emptied.
    void Remove(int row);
    // Zeroes every field of every entry and empties every sound-track entry.
    void RemoveAll();
    // The clip the clip dialog's OK stores (clipSet 1).
    void SetClip(int row, double start, double length);
    // The track the user chose; -1 leaves the choice to the encoder.
    void SetTrack(int row, int track);
    // One output per chapter inside the clip, or the clip whole.
    void SetSplitChapters(int row, bool split);
    // A copy of entry `row`; an empty task outside the table.
    Task At(int row) const;

private:
    int count = 0;
    std::array<TaskChapters, TASK_TABLE_SIZE> chapters;
};
