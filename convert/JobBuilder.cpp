#include "convert/JobBuilder.h"

#include "platform/CommandLine.h"

namespace {

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
    QString outputOptions;
    if (task.part.number > 0) {
        title = ChapterOutputTitle(title, task.part);
        outputOptions = ChapterTags(task.part);
    }
    if (copy > 1)
        title += QStringLiteral(" (%1)").arg(copy);
    EncoderJob job;
    job.outputPath =
        BuildOutputPath(settings.outputFolder, title, TaskOutputExtension(settings.format, tracks));
    job.commandLine = EncoderCommandLineTo(task.record, settings, job.outputPath, encoderPath,
                                           stream, outputOptions);
    return job;
}

QString BuildEncoderCommand(int taskIndex, const OutputSettings& settings,
                            const QString& encoderPath) {
    if (taskIndex < 0 || taskIndex >= TASK_TABLE_SIZE)
        return QString();
    return BuildJob(Task{taskTable[taskIndex], taskTracks[taskIndex]}, settings, encoderPath)
        .commandLine;
}
