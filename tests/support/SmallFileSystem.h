#pragma once
// A real file system that runs out of room: a small tmpfs mounted for one
// test; and programs at once: an action run in several child processes.

#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testing_support {

// Mounts a tmpfs of `bytes` on a temporary folder, inside a mount namespace of
// the test process's own so that nothing outlives the process. Mounting needs
// the superuser; Mounted() says whether it worked and Reason() why not.
class SmallFileSystem {
public:
    explicit SmallFileSystem(int bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted; }
    QString Reason() const { return reason; }
    QString FilePath(const QString& name) const { return dir.filePath(name); }

    // Writes a filler file until the disk is full; false if it never filled.
    bool Fill();
    // Removes the filler again.
    void Free();

private:
    QTemporaryDir dir;
    bool mounted = false;
    QString reason;
};

// Runs `action(0)` to `action(count - 1)` in as many child processes at once;
// true when each returned true.
bool RunInProcesses(int count, const std::function<bool(int)>& action);

} // namespace testing_support
