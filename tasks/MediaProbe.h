#pragma once
// The media probe: the playing time and the sound tracks of a source file from
// the MediaInfo library, bound at run time through its five ANSI entry points. The library
// is loaded at the first probe, stays loaded for the rest of the run, and a
// load that fails is tried again at the next probe.

#include "tasks/TaskChapters.h"
#include "tasks/TaskTracks.h"

#include <QList>
#include <QString>
#include <memory>

struct MediaInfoEntryPoints;

// Probe text when the library (or one of its entry points) is unavailable; it
// reads as 0 milliseconds.
inline constexpr const char* MEDIAINFO_UNAVAILABLE_TEXT = "Unable to load MediaInfo.dll";

// The library to bind, a name the dynamic loader finds or a path. Changing it
// drops the current binding so the next probe loads the new one (tests point
// it at libraries of their own; the previous library stays mapped). Only
// between probes: a live CMediaInfoProbe keeps using the binding it was made with.
void SetMediaInfoLibraryName(const QString& name);
QString GetMediaInfoLibraryName();

// True once a library with all five entry points has been bound.
bool IsMediaInfoLoaded();

// What one probe of a file learns.
struct MediaProbeResult {
    // Milliseconds as text; empty when the library cannot read the file,
    // MEDIAINFO_UNAVAILABLE_TEXT without the library.
    QString playTime;
    // True when the library read the file, so `tracks` is its whole list of
    // sound tracks (empty: the file has none).
    bool tracksKnown = false;
    QList<SoundTrack> tracks;
    // The file's chapters in order, each ending where the next starts and the
    // last at the playing time; empty without chapters or without the
    // library's call that lists a menu's entries.
    QList<Chapter> chapters;
};

// What a conversion job with a cover picture or a chosen track's tags learns
// of its source; empty and 0 where the library could not tell.
struct SourceFacts {
    // The container's own title tag; empty when it has none.
    QString title;
    // Video streams that are not pictures (the library counts no cover among them).
    int videoCount = 0;
    // The source's own cover picture as the encoder numbers its video streams
    // (it puts pictures after the real video): an attached picture or the first
    // image attachment of a Matroska file; -1 when there is none.
    int coverStream = -1;
};

// One MediaInfo handle, created by the constructor (loading the library on
// first use) and deleted by the destructor, so its life spans one AddFile.
class CMediaInfoProbe {
public:
    CMediaInfoProbe();
    ~CMediaInfoProbe();
    CMediaInfoProbe(const CMediaInfoProbe&) = delete;
    CMediaInfoProbe& operator=(const CMediaInfoProbe&) = delete;

    bool HasHandle() const { return handle != nullptr; }

    // Opens the file, reads the general stream's "PlayTime" and, for a file
    // the library can read, each audio stream and the chapters of its menus,
    // then closes the file.
    MediaProbeResult Probe(const QString& path);
    // Opens the file, reads its title, video count, cover and attachments, then
    // closes it.
    SourceFacts ProbeSource(const QString& path);

private:
    // The chapters of the open file; the last ends at `playTime` (seconds).
    QList<Chapter> ReadChapters(double playTime);

    std::shared_ptr<const MediaInfoEntryPoints> calls; // the binding the handle was made with
    void* handle = nullptr;
};

// Whole seconds of a probe text: its leading number read as atoi does
// (leading blanks, an optional sign, digits up to the first other character,
// 0 when there are none) as milliseconds, divided by 1000 toward zero.
double PlayTimeSeconds(const QString& probeText);
