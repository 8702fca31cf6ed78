#pragma once
// "Add Cover Picture": the arguments that put one picture of the source into
// the output, either the source's own cover or a frame of its video.

#include "convert/EncoderCommand.h"

#include <QString>

// The containers that carry a picture with this encoder: MP3 (an ID3v2 APIC
// frame), M4A (covr) and FLAC (a PICTURE block). Ogg refuses one, and WAV,
// AC3 and Matroska audio have no place for it.
bool CarriesCoverPicture(const QString& extension);

// The picture of one source as the probe saw it.
struct SourcePicture {
    int coverStream = -1; // the cover among the encoder's video streams; -1 none
    int videoCount = 0;   // real video streams: a frame can be taken when above 0
};

// The additions for a source whose clip runs from `start` for `length`
// seconds (`clipped` when the line has a clip option, which also trims the
// picture unless it is moved to the clip's start). With a cover: that stream,
// copied as it is for a whole file. Without one: a frame at a tenth of the
// clip from a second input of the same source, at most 600 pixels on its long
// side. Nothing for a source without video. MP3 tags go out as ID3v2.3, which
// older players read.
CommandAdditions BuildCoverArguments(const QString& sourcePath, const SourcePicture& picture,
                                     double start, double length, bool clipped,
                                     const QString& extension);

// The track the encoder picks when none is named: a default track before any
// other, then the one with most channels, the first of equals; -1 without
// tracks. A picture needs every stream named, so it names this one.
int EncoderPickedTrack(const TaskTracks& tracks);
