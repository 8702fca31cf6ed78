#include "tasks/TaskList.h"

namespace {
bool InTable(int row) {
    return row >= 0 && row < TASK_TABLE_SIZE;
}
} // namespace

Task MakeTask(const QString& path, int seconds, QList<SoundTrack> tracks) {
    Task task;
    TaskRecord& r = task.record;
    r.duration = r.clipLength = seconds;
    SetFixedText(r.sourcePath, path);
    SetFixedText(r.title, GetTitle(path));
    task.tracks = TaskTracks{std::move(tracks), -1};
    return task;
}

bool TaskList::Add(const Task& task) {
    if (count >= TASK_TABLE_SIZE)
        return false;
    TaskRecord& r = taskTable[count];
    const int32_t clipSet = r.clipSet; // not reset by a refill
    r = task.record;
    r.clipSet = clipSet;
    r.reserved = 0;
    taskTracks[count] = task.tracks;
    chapters[count] = task.chapters;
    ++count;
    return true;
}

void TaskList::Remove(int row) {
    if (row < 0 || row >= count)
        return;
    for (int i = row + 1; i < count; ++i) {
        taskTable[i - 1] = taskTable[i];
        taskTracks[i - 1] = std::move(taskTracks[i]);
        chapters[i - 1] = std::move(chapters[i]);
    }
    taskTracks[count - 1] = TaskTracks();
    chapters[count - 1] = TaskChapters();
    --count;
}

void TaskList::RemoveAll() {
    for (TaskRecord& r : taskTable)
        r = TaskRecord{};
    for (TaskTracks& t : taskTracks)
        t = TaskTracks();
    chapters.fill(TaskChapters());
    count = 0;
}

void TaskList::SetClip(int row, double start, double length) {
    if (!InTable(row))
        return;
    taskTable[row].clipStart = start;
    taskTable[row].clipLength = length;
    taskTable[row].clipSet = 1;
}

void TaskList::SetTrack(int row, int track) {
    if (InTable(row))
        taskTracks[row].chosenTrack = track;
}

void TaskList::SetSplitChapters(int row, bool split) {
    if (InTable(row))
        chapters[row].split = split;
}

Task TaskList::At(int row) const {
    if (!InTable(row))
        return Task{};
    return Task{taskTable[row], taskTracks[row], chapters[row], {}};
}
