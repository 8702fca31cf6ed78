// Any text reads as a skin or not without failing, and the work of reading it
// grows with its size alone.

#include "skin/SkinFile.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "SkinFileFuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir folder;
    if (size > size_t(kMaxSkinFileSize))
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    SkinDefinition skin;
    SkinReadWork work;
    ParseSkin(text, folder.path(), &skin, nullptr, &work);
    if (work.nameSteps > 4 * qint64(text.size()) + 64 || work.imageReads > qint64(size))
        std::abort();
    return 0;
}
