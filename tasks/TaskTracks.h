#pragma once
// The sound tracks of each task's source, kept beside the task table: entry i
// belongs to taskTable[i] and row i, and moves, shifts and clears with it
// (TaskList), so the task record itself keeps its layout.

#include "tasks/TaskTable.h"

#include <QList>
#include <QString>

// One sound track as the media library describes it. Texts are empty and
// numbers 0 where the library knows nothing.
struct SoundTrack {
    QString format;        // the library's name: "AAC", "AC-3", "MPEG Audio", ...
    QString formatProfile; // "Layer 3" for MP3, "Layer 2" for MP2
    int channels = 0;
    QString channelLayout; // speaker names, e.g. "L R C LFE Ls Rs"
    int samplingRate = 0;  // Hz
    QString language;      // its name, e.g. "English"
    QString languageCode;  // e.g. "en"
    QString title;
    int bitRate = 0; // bit/s
    bool isDefault = false;
};

struct TaskTracks {
    // The source's sound tracks in stream order (index k is the encoder's
    // k-th audio stream); empty when the library could not tell.
    QList<SoundTrack> tracks;
    // The track the user chose for this task; -1 while none was chosen, and
    // the command line then stays as it always was.
    int chosenTrack = -1;

    // The chosen track, or else the file's default track, or else the first;
    // -1 without tracks.
    int TrackToShow() const;
};

extern TaskTracks taskTracks[TASK_TABLE_SIZE];

// "MP3" and "MP2" for MPEG Audio layers 3 and 2 (what users call them);
// otherwise the library's format name.
QString TrackFormatName(const SoundTrack& track);

// "Mono", "Stereo", or "5.1"-style for more channels (the LFE channels of the
// layout after the point); empty when the channel count is unknown.
QString TrackChannelText(const SoundTrack& track);

// The track for a list or tooltip: its number from 1, format, channels,
// language and title where known, e.g. "2: AC-3 5.1 English – Commentary".
QString DescribeSoundTrack(const SoundTrack& track, int index);
