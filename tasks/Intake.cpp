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
    source.task.chapters.chapters = std::move(media.chapters);
    return source;
}

QList<Task> SplitIntoChapters(const Task& task) {
    const TaskRecord& r = task.record;
    const QList<Chapter> inside =
        task.chapters.split ? ChaptersInClip(task.chapters.chapters, r.clipStart, r.clipLength)
                            : QList<Chapter>();
    if (inside.isEmpty())
        return {task};
    QList<Task> parts;
    for (qsizetype k = 0; k < inside.size(); ++k) {
        Task part = task;
        part.record.clipStart = inside[k].start;
        part.record.clipLength = inside[k].end - inside[k].start;
        part.part =
            ChapterPart{static_cast<int>(k + 1), static_cast<int>(inside.size()), inside[k].title};
        parts << part;
    }
    return parts;
}
