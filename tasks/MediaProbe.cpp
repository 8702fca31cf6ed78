#include "tasks/MediaProbe.h"

#include <QFile>
#include <QLibrary>
#include <QStringList>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

// The library's C interface (MediaInfoDLL); its enumerations travel as int.
struct MediaInfoEntryPoints {
    void* (*newFn)() = nullptr;
    size_t (*openFn)(void* handle, const char* file) = nullptr;
    const char* (*getFn)(void* handle, int streamKind, size_t streamNumber, const char* parameter,
                         int infoKind, int searchKind) = nullptr;
    void (*closeFn)(void* handle) = nullptr;
    void (*deleteFn)(void* handle) = nullptr;
    // Optional: a menu's entries by position, where the chapters are; without
    // it files simply have no chapters.
    const char* (*getIFn)(void* handle, int streamKind, size_t streamNumber, size_t parameter,
                          int infoKind) = nullptr;
    // Never unloaded (QLibrary's destructor leaves the library mapped): texts
    // and handles of the library may outlive any binding.
    QLibrary library;
};

namespace {

constexpr int STREAM_GENERAL = 0;
constexpr int STREAM_AUDIO = 2;
constexpr int STREAM_MENU = 6;
constexpr int INFO_TEXT = 1;
constexpr int INFO_NAME = 0;
// More audio streams than any real file holds: a count beyond it is not believed.
constexpr int MAX_SOUND_TRACKS = 1000;
constexpr int MAX_CHAPTERS = 10000;

// The leading number of a text read as atoi does (leading blanks, an optional
// sign, digits up to the first other character), saturating at the int range.
long long LeadingNumber(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        n = qMin<long long>(n * 10 + (*p - '0'), INT_MAX);
    return negative ? -n : n;
}

int Count(const QString& text) {
    return static_cast<int>(qMax<long long>(LeadingNumber(text), 0));
}

// The library names Matroska attachments but not their types, and calls only
// one named "cover" a cover; the encoder takes any image type as a picture, so
// an image file name stands for its type here.
bool HasImageAttachment(const QString& names) {
    static const QStringList kImageSuffixes{".jpg", ".jpeg", ".png", ".gif", ".bmp", ".webp"};
    for (const QString& name : names.split(QStringLiteral(" / "), Qt::SkipEmptyParts))
        for (const QString& suffix : kImageSuffixes)
            if (name.trimmed().endsWith(suffix, Qt::CaseInsensitive))
                return true;
    return false;
}

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
        bound->getIFn = reinterpret_cast<decltype(bound->getIFn)>(lib.resolve("MediaInfoA_GetI"));
        calls = std::move(bound);
        return calls;
    }
};

// Seconds of a menu entry's name "HH:MM:SS.mmm"; negative for any other name.
double ChapterTime(const QString& name) {
    static const QRegularExpression time(
        QStringLiteral("^(\\d+):(\\d\\d):(\\d\\d)(?:\\.(\\d{1,9}))?$"));
    const QRegularExpressionMatch m = time.match(name);
    if (!m.hasMatch())
        return -1;
    const QString fraction = m.captured(4);
    return m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 +
           m.captured(3).toDouble() +
           (fraction.isEmpty() ? 0.0 : fraction.toDouble() / std::pow(10.0, fraction.size()));
}

// A chapter's title as a menu entry holds it: a language code and a colon may
// come first ("en:Intro"); the entry's own time stands for a missing title.
QString ChapterTitle(const QString& value, const QString& name) {
    static const QRegularExpression language(QStringLiteral("^(?:[a-z]{2,3})?:"));
    QString title = value;
    title.remove(language);
    return title == name ? QString() : title;
}

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

MediaProbeResult CMediaInfoProbe::Probe(const QString& path) {
    MediaProbeResult result;
    if (!handle) {
        result.playTime = QString::fromLatin1(MEDIAINFO_UNAVAILABLE_TEXT);
        return result;
    }
    // Texts are copied at once: each belongs to the handle's current file.
    const auto get = [this](int kind, int number, const char* parameter) {
        const char* text = calls->getFn(handle, kind, static_cast<size_t>(number), parameter,
                                        INFO_TEXT, INFO_NAME);
        return text ? QString::fromUtf8(text) : QString();
    };
    calls->openFn(handle, QFile::encodeName(path).constData());
    result.playTime = get(STREAM_GENERAL, 0, "PlayTime");
    if (!result.playTime.isEmpty()) {
        result.tracksKnown = true;
        const int count = qMin(Count(get(STREAM_GENERAL, 0, "AudioCount")), MAX_SOUND_TRACKS);
        for (int k = 0; k < count; ++k) {
            SoundTrack t;
            t.format = get(STREAM_AUDIO, k, "Format");
            t.formatProfile = get(STREAM_AUDIO, k, "Format_Profile");
            t.channels = Count(get(STREAM_AUDIO, k, "Channel(s)"));
            t.channelLayout = get(STREAM_AUDIO, k, "ChannelLayout");
            t.samplingRate = Count(get(STREAM_AUDIO, k, "SamplingRate"));
            t.languageCode = get(STREAM_AUDIO, k, "Language");
            t.language = get(STREAM_AUDIO, k, "Language/String");
            if (t.language.isEmpty())
                t.language = t.languageCode;
            t.title = get(STREAM_AUDIO, k, "Title");
            t.bitRate = Count(get(STREAM_AUDIO, k, "BitRate"));
            t.isDefault = get(STREAM_AUDIO, k, "Default") == QLatin1String("Yes");
            result.tracks << t;
        }
        result.chapters = ReadChapters(LeadingNumber(result.playTime) / 1000.0);
    }
    calls->closeFn(handle);
    return result;
}

SourceFacts CMediaInfoProbe::ProbeSource(const QString& path) {
    SourceFacts facts;
    if (!handle)
        return facts;
    const auto get = [this](const char* parameter) {
        const char* text = calls->getFn(handle, STREAM_GENERAL, 0, parameter, INFO_TEXT, INFO_NAME);
        return text ? QString::fromUtf8(text) : QString();
    };
    calls->openFn(handle, QFile::encodeName(path).constData());
    facts.title = get("Title");
    facts.videoCount = Count(get("VideoCount"));
    if (get("Cover") == QLatin1String("Yes") || HasImageAttachment(get("Attachments")))
        facts.coverStream = facts.videoCount;
    calls->closeFn(handle);
    return facts;
}

QList<Chapter> CMediaInfoProbe::ReadChapters(double playTime) {
    if (!calls->getIFn)
        return {};
    const auto get = [this](int number, const char* parameter) {
        const char* text = calls->getFn(handle, STREAM_MENU, static_cast<size_t>(number), parameter,
                                        INFO_TEXT, INFO_NAME);
        return text ? QString::fromUtf8(text) : QString();
    };
    const auto getI = [this](int number, int position, int kind) {
        const char* text = calls->getIFn(handle, STREAM_MENU, static_cast<size_t>(number),
                                         static_cast<size_t>(position), kind);
        return text ? QString::fromUtf8(text) : QString();
    };
    // A file may list its chapters in more than one menu (an MP4's chapter
    // track and its chapter list): the menu with the most is taken.
    QList<Chapter> best;
    const int menus = qMin(Count(get(0, "MenuCount")), MAX_SOUND_TRACKS);
    for (int menu = 0; menu < qMax(menus, 1); ++menu) {
        const int first = Count(get(menu, "Chapters_Pos_Begin"));
        const int end = qMin(Count(get(menu, "Chapters_Pos_End")), first + MAX_CHAPTERS);
        QList<Chapter> chapters;
        for (int position = first; position < end; ++position) {
            const QString name = getI(menu, position, INFO_NAME);
            const double start = ChapterTime(name);
            if (start >= 0)
                chapters << Chapter{start, playTime,
                                    ChapterTitle(getI(menu, position, INFO_TEXT), name)};
        }
        if (chapters.size() > best.size())
            best = std::move(chapters);
    }
    std::stable_sort(best.begin(), best.end(),
                     [](const Chapter& a, const Chapter& b) { return a.start < b.start; });
    for (qsizetype k = 0; k + 1 < best.size(); ++k)
        best[k].end = best[k + 1].start;
    return best;
}

double PlayTimeSeconds(const QString& probeText) {
    return static_cast<double>(LeadingNumber(probeText) / 1000);
}
