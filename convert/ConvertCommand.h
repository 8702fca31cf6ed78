#pragma once
// ostrela-convert: the conversion of Ostrela's window from a shell. Its
// arguments are read into ConvertOptions over the defaults of option.ini
// (which it never writes), each file is probed as Add Files probes it, and
// the conversion engine converts what can be converted.

#include "convert/EncoderCommand.h"

#include <QString>
#include <QStringList>

class QTextStream;

struct ConvertOptions {
    // The window's defaults: MP3 (FormatKeepOriginal copies the track as it
    // is), 128 kbit/s, 48000 Hz, stereo, each one of its list's items. The
    // output folder is absolute, without a trailing "/".
    OutputSettings output{QString(), FormatMP3, 128, 48000, 2};
    // The sound track to extract, counted from 1; 0 leaves the choice to the
    // encoder and the command line as it always was.
    int track = 0;
    int jobs = 1; // encoders at once
    // One output per chapter of each file that has chapters (--split-chapters).
    bool splitChapters = false;
    // Absolute paths of files and folders, in the order given: the FILE
    // arguments, then the lines of --files-from. A folder stands for the
    // videos in it and its subfolders.
    QStringList files;
    // --keep-folders: each output goes into the subfolder below the output
    // folder that its source lies in below the folder given, or below
    // `baseFolder` (the current folder) for a file named by itself.
    bool keepFolders = false;
    QString baseFolder;
};

// The designed defaults overlaid with what the settings files hold (the
// first file that has a key gives its value, as SettingsFilesToRead orders
// them): the list positions Ostrela's window stores, mapped to values with
// the lists' own items, a position outside its list giving its default. The
// output folder is never taken from the file.
ConvertOptions ConvertDefaults(const QStringList& iniFiles);

enum class ConvertAction { Run, Help, Version, UsageError };

struct ParsedConvertCommand {
    ConvertAction action = ConvertAction::UsageError;
    ConvertOptions options;
    QString error; // for UsageError: what was wrong, in one line
};

// Reads the arguments (without the program name) over `defaults`. Relative
// paths, of the files, of --out and of --files-from and its lines, lie in
// `currentFolder`, as a shell user expects; "~" and "~/..." at the start of
// --out stand for the home folder. --files-from - reads standard input.
ParsedConvertCommand ParseConvertCommand(const QStringList& arguments,
                                         const ConvertOptions& defaults,
                                         const QString& currentFolder);

// The text of --help, naming the defaults in force.
QString ConvertUsageText(const ConvertOptions& defaults);

// "ostrela-convert <version>" and a line about the program.
QString ConvertVersionText();

// Converts the files: one progress line a second and a summary on `out`,
// each file not converted as "<path>: <reason>" on `err` (after an interrupt
// "stopped" or "not started"). Runs an event loop until every file has ended;
// an interrupt or termination signal stops the encoders as STOP does, so
// nothing unfinished is left. Returns 0 when every file was converted, else 1.
int RunConvertCommand(const ConvertOptions& options, QTextStream& out, QTextStream& err);

// The whole program: parses, answers --help and --version on `out`, a usage
// error with its usage text on `err` (2), or runs. Defaults come from
// SettingsFilesToRead().
int ConvertMain(const QStringList& arguments, QTextStream& out, QTextStream& err);
