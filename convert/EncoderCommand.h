#pragma once
// The encoder command line of one task and the output settings it is built from.

#include <QString>
#include <cstdint>

struct TaskRecord;
struct SoundTrack;
struct TaskTracks;

// The format codes, as OutputSettings and the settings file's "OutputFormat"
// hold them. Keep Original is 4 and the four more formats 5 to 8, after the
// three the file always knew, so an older version reading them checks no
// radio and converts to MP3.
enum AudioFormat : int32_t {
    FormatMP3 = 1,
    FormatWAV = 2,
    FormatAC3 = 3,
    FormatKeepOriginal = 4,
    FormatFLAC = 5,
    FormatOpus = 6,
    FormatAAC = 7,
    FormatVorbis = 8,
};

// Filled at Convert from the main window's controls, or from ostrela-convert's
// options; read by the job builder while the conversion runs.
struct OutputSettings {
    QString outputFolder;
    int32_t format = FormatMP3;
    int32_t bitrate = 0;       // kbit/s
    int32_t sampleRate = 0;    // Hz
    int32_t channels = 0;      // 1 mono, 2 stereo
    bool coverPicture = false; // "Add Cover Picture": the video's picture goes into the output
    double loudnessTarget = 0; // LUFS the sound is evened out to; 0 leaves it as it is
};

// What a job adds to a task's line; with nothing added the line is as designed.
struct CommandAdditions {
    QString inputs; // further inputs after the source (before any map), each after a blank
    QString output; // output options before the output path, each followed by a blank
    // A picture stream is mapped: Keep Original then drops no video.
    bool picture = false;
};

// One output format: the extension of its files, the encoder arguments that
// choose its codec, and which of the bitrate, channel and sample-rate settings
// it takes.
struct OutputFormatInfo {
    int32_t format;
    const char* extension;
    const char* codecArguments;
    bool takesBitrate = true;  // lossless FLAC and a copied track have none
    bool takesSettings = true; // channels and sample rate: all but a copied track
    int32_t sampleRate = 0;    // the one rate the codec encodes at; 0 takes the setting
};

// The entry of a format code; the MP3 entry for every code without one, as
// with no format radio checked.
const OutputFormatInfo& OutputFormatOf(int format);

// The output file's extension for a format: "mp3", "wav", "ac3", "flac",
// "opus", "m4a", "ogg", and for Keep Original "mka", the container that takes
// any track (a task's own container is TaskOutputExtension's).
QString OutputExtensionOf(int format);

// The container that takes a sound track unchanged: AAC and ALAC "m4a", MP3
// "mp3", AC-3 "ac3", E-AC-3 "eac3", Vorbis "ogg", Opus "opus", FLAC "flac",
// PCM "wav", DTS "dts", anything else "mka".
QString KeepOriginalExtension(const SoundTrack& track);

// The track a task converts with Keep Original: the chosen one, else the
// file's default, else the first; -1 when its tracks are unknown.
int KeepOriginalTrack(const TaskTracks& tracks);

// The extension of one task's output: the format's, or with Keep Original
// the container of the task's track ("mka" when its tracks are unknown).
QString TaskOutputExtension(int format, const TaskTracks& tracks);

// The encoder beside the program; when it is not there, the one in the
// temporary folder if it is this user's own and no one else may change it;
// otherwise an empty path, so the start fails as for a missing encoder.
QString LocateEncoder();

// The clip option of a task: "-ss <start> -t <length>" with six decimals when
// the clip length differs from the playing time by more than 0.1 s, else empty.
// A start beyond the playing time is taken as 0.
QString BuildClipOption(double duration, double clipStart, double clipLength);

// Output folder as typed, "/", the title without its leading white space, ".",
// the extension. A folder ending in "/" gives a doubled separator.
QString BuildOutputPath(const QString& outputFolder, const QString& title,
                        const QString& extension);

// The complete command line of one task. The three paths are quoted so that
// CommandLineToArgv gives each back whole; a path without double quotes (and,
// for the source and output paths, without a trailing backslash) is only
// wrapped in quotes. A source or output path holding a quote has it escaped.
// The encoder path is the program name, which cannot carry an escaped quote:
// one holding a quote but no blank is written unquoted, and one holding both
// becomes an empty program name, so the start fails as for a missing encoder
// instead of running whatever program a cut-off path would name.
//
// `audioStream` names the source's n-th sound track (from 0) right after the
// source argument; with -1 the encoder picks, and the designed formats' lines
// stay exactly as they always were. Keep Original copies the sound as it is:
// no bitrate, channels or sample rate, the clip option still applies. FLAC
// has no bitrate; Opus is always 48000 Hz. A bitrate the encoder refuses for
// the channels and sample rate (Opus above 256 kbit/s a channel, Vorbis
// above or below a range that depends on both) becomes the nearest list value
// it takes.
QString BuildEncoderCommandLine(const TaskRecord& task, const OutputSettings& settings,
                                const QString& extension, const QString& encoderPath,
                                int audioStream = -1);

// The encoder and what it reads: the source, its track (-map) and the clip
// option, as the command line of the task starts.
QString EncoderInputArguments(const TaskRecord& task, const QString& encoderPath,
                              int audioStream = -1, const QString& moreInputs = {});

// The same with the output path given whole (BuildJob's), and what the job adds.
QString EncoderCommandLineTo(const TaskRecord& task, const OutputSettings& settings,
                             const QString& outputPath, const QString& encoderPath,
                             int audioStream = -1, const CommandAdditions& more = {});
