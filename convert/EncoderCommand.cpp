#include "convert/EncoderCommand.h"

#include "app/ProgramFolder.h"
#include "platform/CommandLine.h"
#include "platform/FileSystem.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <algorithm>
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
    {FormatKeepOriginal, "mka", "-vn -sn -acodec copy", false, false},
    // Their containers would take the video (Ogg as Theora, M4A as H.264)
    // or a still of it: only the sound goes in. FLAC keeps 16 bits, the
    // samples the WAV file gets (a decoder's float samples would give 24).
    {FormatFLAC, "flac", "-vn -sn -acodec flac -sample_fmt s16", false},
    {FormatOpus, "opus", "-vn -sn -acodec libopus", true, true, 48000},
    {FormatAAC, "m4a", "-vn -sn -acodec aac"},
    {FormatVorbis, "ogg", "-vn -sn -acodec libvorbis"},
};

// The bitrates of the list libvorbis takes at a sample rate of the list,
// mono and stereo, lowest and highest; outside them its set-up fails.
struct VorbisRange {
    int sampleRate, monoLow, monoHigh, stereoLow, stereoHigh;
};
constexpr VorbisRange kVorbisRanges[] = {{48000, 32, 224, 48, 320},
                                         {44100, 32, 224, 48, 320},
                                         {32000, 32, 128, 40, 320},
                                         {22050, 32, 80, 32, 128}};

// The bitrate the encoder is given: the setting, moved into the range the
// codec takes.
int EncoderBitrate(const OutputSettings& settings, int channels, int sampleRate) {
    if (settings.format == FormatOpus)
        return std::min(settings.bitrate, 256 * channels);
    if (settings.format == FormatVorbis)
        for (const VorbisRange& r : kVorbisRanges)
            if (r.sampleRate == sampleRate)
                return channels == 1 ? std::clamp(settings.bitrate, r.monoLow, r.monoHigh)
                                     : std::clamp(settings.bitrate, r.stereoLow, r.stereoHigh);
    return settings.bitrate;
}

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

QString EncoderInputArguments(const TaskRecord& task, const QString& encoderPath, int audioStream,
                              const QString& moreInputs) {
    QString source = QuoteArgument(FixedText(task.sourcePath)) + moreInputs;
    if (audioStream >= 0)
        source += QStringLiteral(" -map 0:a:%1").arg(audioStream);
    const QString clip = BuildClipOption(task.duration, task.clipStart, task.clipLength);
    return ProgramArgument(encoderPath) + " -i " + source + ' ' + clip;
}

QString EncoderCommandLineTo(const TaskRecord& task, const OutputSettings& settings,
                             const QString& outputPath, const QString& encoderPath, int audioStream,
                             const CommandAdditions& more) {
    const QString output = more.output + QuoteArgument(outputPath);
    const OutputFormatInfo& info = OutputFormatOf(settings.format);
    const int channelCount = settings.channels == 1 ? 1 : 2;
    const int rate = info.sampleRate ? info.sampleRate : settings.sampleRate;
    const QString bitrate = QString::number(EncoderBitrate(settings, channelCount, rate)) + 'k';
    const QString channels = QString::number(channelCount);
    const QString sampleRate = QString::number(rate);

    QString codec = QString::fromLatin1(info.codecArguments);
    // With a picture every stream is mapped by name, and the picture is a video stream.
    if (more.picture)
        codec.remove(QStringLiteral("-vn -sn "));

    QString command =
        EncoderInputArguments(task, encoderPath, audioStream, more.inputs) + " -y " + codec;
    if (info.takesBitrate)
        command += " -ab " + bitrate;
    if (info.takesSettings)
        command += " -ac " + channels + " -ar " + sampleRate;
    return command + ' ' + output;
}

QString BuildEncoderCommandLine(const TaskRecord& task, const OutputSettings& settings,
                                const QString& extension, const QString& encoderPath,
                                int audioStream) {
    return EncoderCommandLineTo(
        task, settings, BuildOutputPath(settings.outputFolder, FixedText(task.title), extension),
        encoderPath, audioStream);
}
