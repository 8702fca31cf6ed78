#pragma once
// A real file system that runs out of room, and programs running at once.

#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace testing_support {

// A tmpfs of `bytes` on a temporary folder, in a mount namespace of the
// process's own; mounting needs the superuser (Reason() says why it failed).
class SmallFileSystem {
public:
    explicit SmallFileSystem(int bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted; }
    QString Reason() const { return reason; }
    QString FilePath(const QString& name) const { return dir.filePath(name); }

    bool Fill(); // writes a filler file until the disk is full
    void Free();

private:
    QTemporaryDir dir;
    bool mounted = false;
    QString reason;
};

// Runs `action(0)` to `action(count - 1)` in child processes at once; true when all did.
bool RunInProcesses(int count, const std::function<bool(int)>& action);

} // namespace testing_support
