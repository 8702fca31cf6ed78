#include "convert/EncoderCommand.h"

#include "app/ProgramFolder.h"
#include "platform/CommandLine.h"
#include "platform/FileSystem.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <cmath>

namespace {

// White space as the C library's isspace sees it in the "C" locale.
bool IsCSpace(QChar c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QString TrimLeft(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    return text.mid(i);
}

// The program name as the first argument of a command line: quoted up to the
// next quote, so a quote inside cannot be escaped there.
QString ProgramArgument(const QString& path) {
    if (!path.contains('"'))
        return '"' + path + '"';
    const bool hasBlank = path.contains(' ') || path.contains('\t');
    if (!hasBlank && !path.startsWith('"'))
        return path; // unquoted, it runs to the first blank
    return QStringLiteral("\"\"");
}

const OutputFormatInfo kOutputFormats[] = {
    {FormatMP3, "mp3", "-acodec libmp3lame"},
    {FormatWAV, "wav", "-vn"},
    {FormatAC3, "ac3", "-acodec ac3"},
    // Video, subtitles and every other track stay out even where the
    // track is not named because the library could not tell them.
    {FormatKeepOriginal, "mka", "-vn -sn -acodec copy"},
};

// The library's format names and the container that stores each as it is.
struct KeptContainer {
    const char* format;
    const char* extension;
};
const KeptContainer kKeptContainers[] = {
    {"AAC", "m4a"},   {"ALAC", "m4a"},  {"AC-3", "ac3"}, {"E-AC-3", "eac3"}, {"Vorbis", "ogg"},
    {"Opus", "opus"}, {"FLAC", "flac"}, {"PCM", "wav"},  {"DTS", "dts"},
};

} // namespace

const OutputFormatInfo& OutputFormatOf(int format) {
    for (const OutputFormatInfo& info : kOutputFormats)
        if (info.format == format)
            return info;
    return kOutputFormats[0];
}

QString OutputExtensionOf(int format) {
    return QString::fromLatin1(OutputFormatOf(format).extension);
}

QString KeepOriginalExtension(const SoundTrack& track) {
    if (TrackFormatName(track) == QLatin1String("MP3"))
        return QStringLiteral("mp3");
    for (const KeptContainer& kept : kKeptContainers)
        if (track.format == QLatin1String(kept.format))
            return QString::fromLatin1(kept.extension);
    return QStringLiteral("mka");
}

int KeepOriginalTrack(const TaskTracks& tracks) {
    return tracks.TrackToShow();
}

QString TaskOutputExtension(int format, const TaskTracks& tracks) {
    if (format != FormatKeepOriginal)
        return OutputExtensionOf(format);
    const int track = KeepOriginalTrack(tracks);
    return track < 0 ? OutputExtensionOf(format) : KeepOriginalExtension(tracks.tracks[track]);
}

QString LocateEncoder() {
    const QString beside = GetProgramFolder() + QStringLiteral("vexa.exe");
    if (FileExists(beside))
        return beside;
    // The temporary folder is shared by every user of this machine: a program
    // there is trusted only when it is this user's own and no one else may
    // change it. Otherwise no encoder is named and its tasks fail to start.
    const QString temporary = GetTempFolder() + QStringLiteral("vexa.exe");
    return IsPrivateFile(temporary) ? temporary : QString();
}

QString BuildClipOption(double duration, double clipStart, double clipLength) {
    const double start = duration >= clipStart ? clipStart : 0.0;
    if (std::fabs(duration - clipLength) > 0.1)
        return QString::asprintf("-ss %f -t %f", start, clipLength);
    return QString();
}

QString BuildOutputPath(const QString& outputFolder, const QString& title,
                        const QString& extension) {
    return outputFolder + '/' + TrimLeft(title) + '.' + extension;
}

QString EncoderCommandLineTo(const TaskRecord& task, const OutputSettings& settings,
                             const QString& outputPath, const QString& encoderPath, int audioStream,
                             const QString& outputOptions) {
    QString source = QuoteArgument(FixedText(task.sourcePath));
    if (audioStream >= 0)
        source += QStringLiteral(" -map 0:a:%1").arg(audioStream);
    const QString clip = BuildClipOption(task.duration, task.clipStart, task.clipLength);
    const QString output = outputOptions.isEmpty()
                               ? QuoteArgument(outputPath)
                               : outputOptions + ' ' + QuoteArgument(outputPath);
    const QString bitrate = QString::number(settings.bitrate) + 'k';
    const QString channels = settings.channels == 1 ? QStringLiteral("1") : QStringLiteral("2");
    const QString sampleRate = QString::number(settings.sampleRate);

    const QString codec = QString::fromLatin1(OutputFormatOf(settings.format).codecArguments);

    const QString head =
        ProgramArgument(encoderPath) + " -i " + source + ' ' + clip + " -y " + codec;
    if (settings.format == FormatKeepOriginal)
        return head + ' ' + output;
    return head + " -ab " + bitrate + " -ac " + channels + " -ar " + sampleRate + ' ' + output;
}

QString BuildEncoderCommandLine(const TaskRecord& task, const OutputSettings& settings,
                                const QString& extension, const QString& encoderPath,
                                int audioStream) {
    return EncoderCommandLineTo(
        task, settings, BuildOutputPath(settings.outputFolder, FixedText(task.title), extension),
        encoderPath, audioStream);
}
