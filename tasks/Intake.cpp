#include "tasks/Intake.h"

#include "tasks/MediaProbe.h"

SourceProblem CheckSourcePath(const QString& path) {
    const QString extension = GetFileExtension(path).toLower();
    if (extension == QLatin1String("ifo") || extension == QLatin1String("vob"))
        return SourceProblem::Dvd;
    if (!FitsFixedText(path) || !FitsFixedText(GetTitle(path)))
        return SourceProblem::PathTooLong;
    return SourceProblem::None;
}

ProbedSource ProbeSource(const QString& path, int track) {
    ProbedSource source;
    MediaProbeResult media;
    {
        CMediaInfoProbe probe; // one handle for one file
        media = probe.Probe(path);
    }
    source.trackCount = static_cast<int>(media.tracks.size());
    if (media.playTime.isEmpty())
        source.problem = SourceProblem::Unreadable;
    else if (media.tracksKnown && media.tracks.isEmpty())
        source.problem = SourceProblem::NoSound;
    else if (track > 0 && media.tracksKnown && track > media.tracks.size())
        source.problem = SourceProblem::NoSuchTrack;
    if (source.problem != SourceProblem::None)
        return source;
    source.task =
        MakeTask(path, static_cast<int>(PlayTimeSeconds(media.playTime)), std::move(media.tracks));
    source.task.tracks.chosenTrack = track - 1;
    return source;
}
