// Any .desktop file resolves to nothing or to an absolute path without NULs.

#include "platform/Shortcut.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("link.desktop"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    f.write(reinterpret_cast<const char*>(data), qint64(size));
    f.close();
    const QString target = ResolveShortcut(path);
    if (!target.isEmpty() && (!target.startsWith('/') || target.contains(QChar(0))))
        std::abort();
    return 0;
}
