#include "convert/JobBuilder.h"

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
    return job;
}

QString BuildEncoderCommand(int taskIndex, const OutputSettings& settings,
                            const QString& encoderPath) {
    if (taskIndex < 0 || taskIndex >= TASK_TABLE_SIZE)
        return QString();
    return BuildJob(Task{taskTable[taskIndex], taskTracks[taskIndex]}, settings, encoderPath)
        .commandLine;
}
