#include "convert/CoverPicture.h"

#include "platform/CommandLine.h"
#include "tasks/TaskTracks.h"

#include <algorithm>

bool CarriesCoverPicture(const QString& extension) {
    return extension == QLatin1String("mp3") || extension == QLatin1String("m4a") ||
           extension == QLatin1String("flac");
}

CommandAdditions BuildCoverArguments(const QString& sourcePath, const SourcePicture& picture,
                                     double start, double length, bool clipped,
                                     const QString& extension) {
    CommandAdditions more;
    if (!CarriesCoverPicture(extension))
        return more;
    const QString id3 =
        extension == QLatin1String("mp3") ? QStringLiteral("-id3v2_version 3 ") : QString();
    // The clip option drops whatever comes before the clip's start, a picture
    // too; stamped with that start, the picture stays and lands at 0.
    const QString moved =
        clipped ? QString::asprintf("setpts=%f/TB", std::max(start, 0.0)) : QString();
    const QString asPicture = QStringLiteral("-frames:v 1 -disposition:v attached_pic ");
    if (picture.coverStream >= 0) {
        // Only a picture: the negative map drops the stream should it be real video.
        const QString map = QStringLiteral("-map 0:v:%1? -map -0:V ").arg(picture.coverStream);
        more.output =
            map + asPicture +
            (clipped ? "-filter:v " + moved + " -c:v png " : QStringLiteral("-c:v copy ")) + id3;
    } else if (picture.videoCount > 0) {
        const double at = start + std::max(length, 0.0) / 10;
        // Read for a few seconds only: the encoder would decode the whole
        // video after its one frame otherwise.
        more.inputs =
            QString::asprintf(" -ss %f -t 5 -i ", std::max(at, 0.0)) + QuoteArgument(sourcePath);
        QString filter = QStringLiteral(
            "scale='min(600,iw)':'min(600,ih)':force_original_aspect_ratio=decrease");
        if (clipped)
            filter = moved + ',' + filter;
        more.output =
            "-map 1:V:0? " + asPicture + "-filter:v " + filter + " -c:v mjpeg -q:v 2 " + id3;
    } else {
        more.output = id3;
    }
    more.picture = !more.inputs.isEmpty() || picture.coverStream >= 0;
    return more;
}

int EncoderPickedTrack(const TaskTracks& tracks) {
    int best = -1;
    long long bestScore = -1;
    for (int k = 0; k < tracks.tracks.size(); ++k) {
        const long long score =
            tracks.tracks[k].channels + (tracks.tracks[k].isDefault ? 5000000LL : 0);
        if (score > bestScore) {
            best = k;
            bestScore = score;
        }
    }
    return best;
}
