#include "convert/JobBuilder.h"

#include "platform/CommandLine.h"

EncoderJob BuildJob(const Task& task, const OutputSettings& settings, const QString& encoderPath,
                    int copy) {
    const TaskTracks& tracks = task.tracks;
    int stream = -1;
    if (settings.format == FormatKeepOriginal)
        stream = KeepOriginalTrack(tracks);
    else if (tracks.chosenTrack >= 0 && tracks.chosenTrack < tracks.tracks.size())
        stream = tracks.chosenTrack;
    QString title = FixedText(task.record.title);
    if (copy > 1)
        title += QStringLiteral(" (%1)").arg(copy);
    EncoderJob job;
    job.outputPath =
        BuildOutputPath(settings.outputFolder, title, TaskOutputExtension(settings.format, tracks));
    job.commandLine =
        EncoderCommandLineTo(task.record, settings, job.outputPath, encoderPath, stream);
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
