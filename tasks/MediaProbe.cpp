#include "tasks/MediaProbe.h"

#include <QFile>
#include <QLibrary>
#include <climits>
#include <cstddef>

// The library's C interface (MediaInfoDLL); its enumerations travel as int.
struct MediaInfoEntryPoints {
    void* (*newFn)() = nullptr;
    size_t (*openFn)(void* handle, const char* file) = nullptr;
    const char* (*getFn)(void* handle, int streamKind, size_t streamNumber, const char* parameter,
                         int infoKind, int searchKind) = nullptr;
    void (*closeFn)(void* handle) = nullptr;
    void (*deleteFn)(void* handle) = nullptr;
    // Never unloaded (QLibrary's destructor leaves the library mapped): texts
    // and handles of the library may outlive any binding.
    QLibrary library;
};

namespace {

constexpr int STREAM_GENERAL = 0;
constexpr int INFO_TEXT = 1;
constexpr int INFO_NAME = 0;

struct MediaInfoBinding {
    QString libraryName = QStringLiteral("libmediainfo.so.0");
    std::shared_ptr<const MediaInfoEntryPoints> calls;

    // Binds all five entry points or none: a library lacking one counts as
    // missing, so nothing is ever called through a pointer that was not found.
    std::shared_ptr<const MediaInfoEntryPoints> Load() {
        if (calls)
            return calls;
        auto bound = std::make_shared<MediaInfoEntryPoints>();
        bound->library.setFileName(libraryName);
        if (!bound->library.load())
            return nullptr;
        QLibrary& lib = bound->library;
        bound->newFn = reinterpret_cast<decltype(bound->newFn)>(lib.resolve("MediaInfoA_New"));
        bound->openFn = reinterpret_cast<decltype(bound->openFn)>(lib.resolve("MediaInfoA_Open"));
        bound->getFn = reinterpret_cast<decltype(bound->getFn)>(lib.resolve("MediaInfoA_Get"));
        bound->closeFn =
            reinterpret_cast<decltype(bound->closeFn)>(lib.resolve("MediaInfoA_Close"));
        bound->deleteFn =
            reinterpret_cast<decltype(bound->deleteFn)>(lib.resolve("MediaInfoA_Delete"));
        if (!bound->newFn || !bound->openFn || !bound->getFn || !bound->closeFn || !bound->deleteFn)
            return nullptr;
        calls = std::move(bound);
        return calls;
    }
};

MediaInfoBinding& Binding() {
    static MediaInfoBinding binding;
    return binding;
}

} // namespace

void SetMediaInfoLibraryName(const QString& name) {
    Binding().calls.reset();
    Binding().libraryName = name;
}

QString GetMediaInfoLibraryName() {
    return Binding().libraryName;
}

bool IsMediaInfoLoaded() {
    return Binding().calls != nullptr;
}

CMediaInfoProbe::CMediaInfoProbe() : calls(Binding().Load()) {
    if (calls)
        handle = calls->newFn();
}

CMediaInfoProbe::~CMediaInfoProbe() {
    if (handle)
        calls->deleteFn(handle);
}

QString CMediaInfoProbe::ReadPlayTime(const QString& path) {
    if (!handle)
        return QString::fromLatin1(MEDIAINFO_UNAVAILABLE_TEXT);
    calls->openFn(handle, QFile::encodeName(path).constData());
    const char* text = calls->getFn(handle, STREAM_GENERAL, 0, "PlayTime", INFO_TEXT, INFO_NAME);
    // Copied before closing: the text belongs to the handle's current file.
    const QString result = text ? QString::fromUtf8(text) : QString();
    calls->closeFn(handle);
    return result;
}

double PlayTimeSeconds(const QString& probeText) {
    const QByteArray bytes = probeText.toUtf8();
    const char* p = bytes.constData();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long ms = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        ms = qMin<long long>(ms * 10 + (*p - '0'), INT_MAX); // saturates where atoi would overflow
    if (negative)
        ms = -ms;
    return static_cast<double>(ms / 1000);
}
