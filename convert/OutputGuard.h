#pragma once
// Keeps a user's own file safe from a task that writes under its name. The
// encoder overwrites whatever lies at its output path, so before a task starts
// an existing file there is set aside under a hidden name in the same folder;
// it comes back when the task does not succeed and is dropped only when the
// task did. Whatever a task that did not succeed left behind is removed, so no
// truncated file looks like a finished one.

#include <QString>

class COutputGuard {
public:
    COutputGuard() = default;
    // A guard still holding a task puts things back as for a task that failed.
    ~COutputGuard();
    COutputGuard(const COutputGuard&) = delete;
    COutputGuard& operator=(const COutputGuard&) = delete;

    // Takes charge of a task's output path before the task starts, finishing
    // any task still held as failed. An existing file or link there is renamed
    // to a hidden unique name beside it. Returns false, holding nothing, when
    // it could not be set aside: the task must not start then.
    bool SetAside(const QString& outputPath);

    // The output path holds a regular file with at least one byte.
    bool HasOutput() const;

    // The task succeeded: its output stays and the set-aside file is dropped.
    void Commit();

    // The task did not succeed (stopped, closed or failed): what it left at
    // the output path is removed and the set-aside file is put back. Call it
    // only once nothing writes to the path any more.
    void Restore();

    bool Holds() const { return !outputPath.isEmpty(); }
    // Where the set-aside file lies while the task runs; empty when the path
    // was free.
    QString KeptPath() const { return keptPath; }

private:
    QString outputPath;
    QString keptPath;
};
