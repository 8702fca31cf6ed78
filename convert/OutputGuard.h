#pragma once
// Keeps a user's own file safe from a task that writes under its name. The
// encoder overwrites whatever lies at its output path, so before a task starts
// an existing file there is set aside under a hidden name in the same folder;
// it comes back when the task does not succeed and is dropped only when the
// task did. Whatever a task that did not succeed left behind is removed, so no
// truncated file looks like a finished one.
//
// The task's output file is created here, empty, before the encoder starts
// (the encoder truncates and fills that same file), so the task knows its own
// output by device and inode: it succeeds only when that file is at the
// output path, and never removes or replaces a file another task writes.
//
// What a task keeps or writes is recorded in the folder under hidden names
// that name the program that made them, so that a program that died (kill -9,
// a closed session) leaves nothing hidden for good: the next conversion into
// the folder puts its set-aside files back and removes its unfinished outputs.
//   ".<name>.<owner>.ostrela-job"   the record: the output's device, inode and name
//   ".<name>.<owner>.ostrela-kept"  the user's file, set aside
//   ".<name>.<owner>.ostrela-part"  the task's empty output until it takes its name
// <owner> is "<pid>-<start>-<boot>-<random>" in hex: the process id, its start
// time in clock ticks since boot, and the first 8 digits of the boot id.

#include "platform/Process.h" // CFileDescriptor

#include <QString>
#include <sys/types.h>

class OutputGuard {
public:
    OutputGuard() = default;
    // A guard still holding a task puts things back as for a task that failed.
    ~OutputGuard();
    OutputGuard(const OutputGuard&) = delete;
    OutputGuard& operator=(const OutputGuard&) = delete;

    enum class SetAsideResult {
        Ready,
        // A regular file there that the user may not write: it is not replaced.
        WriteProtected,
        // The file there could not be set aside, or no output could be made.
        Failed,
    };

    // Puts back what programs that no longer run left in the folder: their
    // unfinished outputs go, their set-aside files return where the place is
    // free. Others' records, and everything else, stay as they are.
    static void RecoverFolder(const QString& folder);

    // The path holds the output a running task (of this or another program)
    // is writing.
    static bool IsWrittenByRunningTask(const QString& path);

    // Takes charge of a task's output path before the task starts, finishing
    // any task still held as failed. An existing file or link there is renamed
    // to a hidden unique name beside it, and the task's own empty output takes
    // its place. Anything but Ready holds nothing: the task must not start. A
    // folder under the output name is left alone (the encoder then fails).
    SetAsideResult SetAside(const QString& outputPath);

    // The output path holds this task's own output, with at least one byte.
    bool HasOutput() const;

    // The task succeeded: its output stays and the set-aside file is dropped.
    void Commit();

    // The task did not succeed (stopped, closed or failed): its own output is
    // removed and the set-aside file is put back, but never over a file that
    // is not this task's. Returns where the set-aside file stays when it could
    // not be put back (the folder as it is named now), empty otherwise. Call
    // it only once nothing writes to the path any more.
    QString Restore();

    bool Holds() const { return !outputPath.isEmpty(); }
    // The system's error number of the step that made the last SetAside fail
    // (0 when it did not fail, or failed without one).
    int SetAsideError() const { return setAsideError; }
    // Where the set-aside file lies while the task runs; empty when the path
    // was free.
    QString KeptPath() const;

private:
    SetAsideResult Fail(int error);
    void Clear();
    QString FolderPath() const;

    QString outputPath;
    int setAsideError = 0;
    CFileDescriptor folder;          // follows the folder should it be renamed meanwhile
    QByteArray name;                 // of the output in the folder
    QByteArray keptName, recordName; // empty when nothing was set aside / recorded
    dev_t device = 0;
    ino_t inode = 0; // of the task's own output; 0 when it made none
};
