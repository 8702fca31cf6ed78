#include "convert/JobBuilder.h"

#include "convert/CoverPicture.h"
#include "convert/OutputTags.h"
#include "platform/CommandLine.h"
#include "tasks/MediaProbe.h"

namespace {

// The cover picture and the chosen track's tags; they need the source probed
// again for its pictures and title, and only then is it.
CommandAdditions Additions(const Task& task, const OutputSettings& settings,
                           const QString& extension, int& stream) {
    CommandAdditions more;
    const TaskTracks& tracks = task.tracks;
    const bool tagged =
        stream >= 0 && tracks.chosenTrack == stream &&
        (!tracks.tracks[stream].title.isEmpty() || !tracks.tracks[stream].languageCode.isEmpty());
    const bool picture = settings.coverPicture && CarriesCoverPicture(extension);
    if (!tagged && !picture)
        return more;
    const QString source = FixedText(task.record.sourcePath);
    const SourceFacts probe = CMediaInfoProbe().ProbeSource(source);
    if (picture && stream < 0)
        stream = EncoderPickedTrack(tracks);
    if (picture) {
        const TaskRecord& r = task.record;
        const bool clipped = !BuildClipOption(r.duration, r.clipStart, r.clipLength).isEmpty();
        const double start = clipped && r.duration >= r.clipStart ? r.clipStart : 0.0;
        // A picture needs every stream named: none without a known sound track.
        const SourcePicture found =
            stream >= 0 ? SourcePicture{probe.coverStream, probe.videoCount} : SourcePicture{};
        more = BuildCoverArguments(source, found, start, clipped ? r.clipLength : r.duration,
                                   clipped, extension);
    }
    if (tagged)
        more.output = BuildTrackTags(tracks.tracks[stream], probe.title,
                                     FixedText(task.record.title), extension) +
                      more.output;
    return more;
}

QString WithoutControlCharacters(const QString& text) {
    QString kept;
    for (const QChar c : text)
        if (c.category() != QChar::Other_Control)
            kept += c;
    return kept;
}

// The output options of a chapter: its title and number as tags, and none of
// the source's chapters, which would not fit the piece.
QString ChapterTags(const ChapterPart& part) {
    QString title = WithoutControlCharacters(part.title).trimmed();
    if (title.isEmpty())
        title = QStringLiteral("Chapter %1").arg(part.number);
    return QStringLiteral("-map_chapters -1 -metadata ") + QuoteArgument("title=" + title) +
           QStringLiteral(" -metadata track=%1/%2").arg(part.number).arg(part.count);
}

// A whole task's chapters, or those of its clip cut to it, for the containers
// whose chapters the encoder leaves out (FLAC, Vorbis) or writes wrongly (in
// Opus a start of n.5 s or more becomes n + 1.5 s): its own are left out.
QString ClipChapterComments(const Task& task) {
    const TaskRecord& r = task.record;
    const QString comments =
        BuildClipOption(r.duration, r.clipStart, r.clipLength).isEmpty()
            ? BuildChapterComments(task.chapters.chapters, 0)
            : BuildChapterComments(
                  ChaptersInClip(task.chapters.chapters, r.clipStart, r.clipLength), r.clipStart);
    return comments.isEmpty() ? comments : QStringLiteral("-map_chapters -1 ") + comments;
}

} // namespace

QString ChapterFileTitle(const QString& title, int number) {
    constexpr int kMostCharacters = 100;
    QString safe = WithoutControlCharacters(title).replace('/', '-').trimmed();
    // Cut between characters, never inside a surrogate pair.
    qsizetype end = 0;
    for (int characters = 0; end < safe.size() && characters < kMostCharacters; ++characters)
        end += safe[end].isHighSurrogate() && end + 1 < safe.size() ? 2 : 1;
    safe = safe.left(end).trimmed();
    return safe.isEmpty() ? QStringLiteral("Chapter %1").arg(number) : safe;
}

QString ChapterOutputTitle(const QString& title, const ChapterPart& part) {
    const int digits = qMax(2, static_cast<int>(QString::number(part.count).size()));
    // Joined, not filled in: a title may itself hold "%1".
    return title + QStringLiteral(" - ") +
           QStringLiteral("%1").arg(part.number, digits, 10, QLatin1Char('0')) +
           QStringLiteral(" - ") + ChapterFileTitle(part.title, part.number);
}

EncoderJob BuildJob(const Task& task, const OutputSettings& settings, const QString& encoderPath,
                    int copy) {
    const TaskTracks& tracks = task.tracks;
    int stream = -1;
    if (settings.format == FormatKeepOriginal)
        stream = KeepOriginalTrack(tracks);
    else if (tracks.chosenTrack >= 0 && tracks.chosenTrack < tracks.tracks.size())
        stream = tracks.chosenTrack;
    QString title = FixedText(task.record.title);
    if (task.part.number > 0)
        title = ChapterOutputTitle(title, task.part);
    if (copy > 1)
        title += QStringLiteral(" (%1)").arg(copy);
    EncoderJob job;
    const QString extension = TaskOutputExtension(settings.format, tracks);
    job.outputPath = BuildOutputPath(settings.outputFolder, title, extension);
    CommandAdditions more = Additions(task, settings, extension, stream);
    // Last, so that a chapter's title wins over a chosen track's.
    if (task.part.number > 0)
        more.output += ChapterTags(task.part) + ' ';
    else if (extension == QLatin1String("flac") || extension == QLatin1String("ogg") ||
             extension == QLatin1String("opus"))
        more.output += ClipChapterComments(task);
    job.commandLine =
        EncoderCommandLineTo(task.record, settings, job.outputPath, encoderPath, stream, more);
    // A copied track is kept as it is, loudness and all.
    if (settings.loudnessTarget != 0 && settings.format != FormatKeepOriginal) {
        job.loudnessTarget = settings.loudnessTarget;
        // Video and subtitles are not decoded for a measurement.
        job.measureLine = EncoderInputArguments(task.record, encoderPath, stream) +
                          QStringLiteral(" -vn -sn -af ") + LoudnessMeasureFilter() +
                          QStringLiteral(" -f null -");
    }
    return job;
}

QString MeasuredCommandLine(const EncoderJob& job, const LoudnessMeasure& measured) {
    // The filter goes right before the output path, which ends the line.
    // Where the filter cannot keep linear mode it works at 192 kHz, and the
    // line's -ar brings the sound back to the chosen rate.
    const QString filter = QStringLiteral(" -af ") + LoudnessFilter(job.loudnessTarget, measured);
    const QString output = ' ' + QuoteArgument(job.outputPath);
    QString line = job.commandLine;
    if (line.endsWith(output))
        return line.insert(line.size() - output.size(), filter);
    return line + filter;
}

QString BuildEncoderCommand(int taskIndex, const OutputSettings& settings,
                            const QString& encoderPath) {
    if (taskIndex < 0 || taskIndex >= TASK_TABLE_SIZE)
        return QString();
    return BuildJob(Task{taskTable[taskIndex], taskTracks[taskIndex]}, settings, encoderPath)
        .commandLine;
}
