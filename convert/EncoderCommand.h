#pragma once
// The encoder command line of one task and the output settings it is built from.

#include <QString>
#include <cstdint>

struct TaskRecord;

enum AudioFormat : int32_t { FormatMP3 = 1, FormatWAV = 2, FormatAC3 = 3 };

// Filled by the Convert command from the main window's controls just before a
// conversion; read by the command builder while it runs.
struct OutputSettings {
    QString outputFolder;
    int32_t format = FormatMP3;
    int32_t bitrate = 0;    // kbit/s
    int32_t sampleRate = 0; // Hz
    int32_t channels = 0;   // 1 mono, 2 stereo
};

// The output file's extension for a format: "wav", "ac3", and "mp3" for every
// other value, as with no format radio checked.
QString OutputExtensionOf(int format);

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
QString BuildEncoderCommandLine(const TaskRecord& task, const OutputSettings& settings,
                                const QString& extension, const QString& encoderPath);
