#include "tasks/TaskTracks.h"

#include <QStringList>

TaskTracks taskTracks[TASK_TABLE_SIZE];

int TaskTracks::TrackToShow() const {
    if (chosenTrack >= 0 && chosenTrack < tracks.size())
        return chosenTrack;
    for (int k = 0; k < tracks.size(); ++k)
        if (tracks[k].isDefault)
            return k;
    return tracks.isEmpty() ? -1 : 0;
}

QString TrackFormatName(const SoundTrack& track) {
    if (track.format == QLatin1String("MPEG Audio")) {
        if (track.formatProfile == QLatin1String("Layer 3"))
            return QStringLiteral("MP3");
        if (track.formatProfile == QLatin1String("Layer 2"))
            return QStringLiteral("MP2");
    }
    return track.format;
}

QString TrackChannelText(const SoundTrack& track) {
    if (track.channels <= 0)
        return QString();
    if (track.channels == 1)
        return QStringLiteral("Mono");
    if (track.channels == 2)
        return QStringLiteral("Stereo");
    if (track.channelLayout.isEmpty())
        return QStringLiteral("%1 ch").arg(track.channels);
    int lfe = 0;
    for (const QString& speaker : track.channelLayout.split(' ', Qt::SkipEmptyParts))
        lfe += speaker.startsWith(QLatin1String("LFE")) ? 1 : 0;
    lfe = qMin(lfe, track.channels);
    return QStringLiteral("%1.%2").arg(track.channels - lfe).arg(lfe);
}

QString DescribeSoundTrack(const SoundTrack& track, int index) {
    QStringList parts{QString::number(index + 1) + QLatin1Char(':')};
    for (const QString& part : {TrackFormatName(track), TrackChannelText(track), track.language})
        if (!part.isEmpty())
            parts << part;
    if (!track.title.isEmpty())
        parts << QStringLiteral("\u2013 ") + track.title;
    return parts.join(QLatin1Char(' '));
}
