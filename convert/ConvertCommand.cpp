#include "convert/ConvertCommand.h"
#include "convert/Loudness.h"
#include "platform/FileSystem.h"

#include "tasks/Settings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr char kProgramName[] = "ostrela-convert";
constexpr int kMostJobs = 64;

struct FormatName {
    const char* name;
    int format;
};
constexpr FormatName kFormatNames[] = {{"mp3", FormatMP3},   {"wav", FormatWAV},
                                       {"ac3", FormatAC3},   {"original", FormatKeepOriginal},
                                       {"flac", FormatFLAC}, {"opus", FormatOpus},
                                       {"aac", FormatAAC},   {"vorbis", FormatVorbis}};

template <std::size_t N> QStringList ItemTexts(const std::array<const char*, N>& items) {
    QStringList texts;
    for (const char* item : items)
        texts << QString::fromLatin1(item);
    return texts;
}

QString FormatNameOf(const ConvertOptions& options) {
    for (const FormatName& f : kFormatNames)
        if (f.format == options.output.format)
            return QString::fromLatin1(f.name);
    return QString::fromLatin1(kFormatNames[0].name);
}

// A whole decimal number, without sign, blanks or anything after it.
bool ReadCount(const QString& text, int& value) {
    if (text.isEmpty() ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return false;
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

// The output folder of --out, without the blanks around it: a shell has
// already expanded "~" in most places, but not inside quotes or after "=", so
// "~" and "~/..." are taken as the home folder here; anything else relative
// lies in the current folder. The result is absolute, so the encoder never
// reads it as an option or an address.
QString ResolveShellFolder(const QString& typed, const QString& currentFolder) {
    QString path = typed.trimmed();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    return QDir::cleanPath(AbsoluteIn(currentFolder, path));
}

// --loudness takes its value only after "=", so a bare --loudness before a
// file name never swallows it: the arguments without it (up to "--"), and
// the value given ("" for the bare option, null when it is absent).
QStringList TakeLoudness(const QStringList& arguments, QString& value) {
    QStringList rest;
    bool options = true;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            options = false;
        const QString name = argument.section('=', 0, 0);
        if (options &&
            (name == QLatin1String("--loudness") || name == QLatin1String("-loudness"))) {
            value = argument.contains('=') ? argument.section('=', 1) : QStringLiteral("");
            continue;
        }
        rest << argument;
    }
    return rest;
}

// The target of --loudness: "" the default, "off" none, else LUFS in the
// filter's range; false for anything else.
bool ReadLoudness(const QString& text, double& target) {
    if (text.isEmpty()) {
        target = kDefaultLoudnessTarget;
        return true;
    }
    if (text == QLatin1String("off")) {
        target = 0;
        return true;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= kLowestLoudnessTarget && value <= kHighestLoudnessTarget))
        return false;
    target = value;
    return true;
}

// The paths of a file list, one a line, without blank lines; "-" is
// standard input. False when the list cannot be read.
bool ReadFileList(const QString& list, const QString& currentFolder, QStringList& paths) {
    QFile file;
    const bool opened =
        list == QLatin1String("-")
            ? file.open(stdin, QIODevice::ReadOnly)
            : (file.setFileName(AbsoluteIn(currentFolder, list)), file.open(QIODevice::ReadOnly));
    if (!opened)
        return false;
    const QByteArray bytes = file.readAll();
    for (QByteArray line : bytes.split('\n')) {
        // A list written on Windows ends its lines with CR LF.
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            paths << AbsoluteIn(currentFolder, QFile::decodeName(line));
    }
    return file.error() == QFileDevice::NoError;
}

} // namespace

ConvertOptions ConvertDefaults(const QStringList& iniFiles) {
    const StoredSettings stored = StoredSettings::Read(iniFiles);
    ConvertOptions options;
    // A code outside the radios leaves none checked in the window, and
    // Convert then takes MP3.
    options.output.format =
        stored.format >= FormatMP3 && stored.format <= FormatVorbis ? stored.format : FormatMP3;
    options.output.bitrate = QByteArray(kBitrateItems[stored.bitrateIndex]).toInt();
    options.output.sampleRate = QByteArray(kSampleRateItems[stored.sampleRateIndex]).toInt();
    options.output.channels = stored.channelIndex + 1;
    // The window's "Convert Several Files at Once" stores its encoder count.
    options.jobs = std::clamp(stored.simultaneous, 1, kMostJobs);
    options.output.coverPicture = stored.coverPicture;
    options.output.loudnessTarget = stored.evenLoudness ? kDefaultLoudnessTarget : 0;
    return options;
}

ParsedConvertCommand ParseConvertCommand(const QStringList& arguments,
                                         const ConvertOptions& defaults,
                                         const QString& currentFolder) {
    ParsedConvertCommand result;
    result.options = defaults;
    const auto fail = [&result](const QString& message) {
        result.action = ConvertAction::UsageError;
        result.error = message;
        return result;
    };

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("F"));
    const QCommandLineOption bitrate(QStringLiteral("bitrate"), QString(), QStringLiteral("N"));
    const QCommandLineOption rate(QStringLiteral("rate"), QString(), QStringLiteral("N"));
    const QCommandLineOption channels(QStringLiteral("channels"), QString(), QStringLiteral("N"));
    const QCommandLineOption track(QStringLiteral("track"), QString(), QStringLiteral("N"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QString(), QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption cover(QStringLiteral("cover"));
    const QCommandLineOption splitChapters(QStringLiteral("split-chapters"));
    const QCommandLineOption filesFrom(QStringLiteral("files-from"), QString(),
                                       QStringLiteral("LIST"));
    const QCommandLineOption keepFolders(QStringLiteral("keep-folders"));
    parser.addOptions({help, version, format, bitrate, rate, channels, track, jobs, out, cover,
                       splitChapters, filesFrom, keepFolders});
    QString loudness;
    const QStringList others = TakeLoudness(arguments, loudness);
    if (!parser.parse(QStringList{QString::fromLatin1(kProgramName)} + others))
        return fail(parser.errorText());

    if (parser.isSet(help)) {
        result.action = ConvertAction::Help;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ConvertAction::Version;
        return result;
    }

    ConvertOptions& o = result.options;
    if (parser.isSet(cover))
        o.output.coverPicture = true;
    if (parser.isSet(format)) {
        const QString name = parser.value(format).toLower();
        const auto* found = std::find_if(std::begin(kFormatNames), std::end(kFormatNames),
                                         [&name](const FormatName& f) { return name == f.name; });
        if (found == std::end(kFormatNames))
            return fail(QStringLiteral("unknown format '%1' (mp3, wav, ac3, flac, opus, aac, "
                                       "vorbis or original)")
                            .arg(parser.value(format)));
        o.output.format = found->format;
    }
    // Only the values the window's lists offer: the ones the encoder is known
    // to take for every format.
    const auto listValue = [&parser](const QCommandLineOption& option, const QStringList& items,
                                     int& value) {
        if (!parser.isSet(option))
            return true;
        const QString text = parser.value(option);
        if (!items.contains(text))
            return false;
        value = text.toInt();
        return true;
    };
    const QStringList bitrates = ItemTexts(kBitrateItems);
    if (!listValue(bitrate, bitrates, o.output.bitrate))
        return fail(QStringLiteral("--bitrate must be one of %1 (kbit/s)")
                        .arg(bitrates.join(QStringLiteral(", "))));
    const QStringList rates = ItemTexts(kSampleRateItems);
    if (!listValue(rate, rates, o.output.sampleRate))
        return fail(
            QStringLiteral("--rate must be one of %1 (Hz)").arg(rates.join(QStringLiteral(", "))));
    if (parser.isSet(channels)) {
        const QString text = parser.value(channels);
        if (text != QLatin1String("1") && text != QLatin1String("2"))
            return fail(QStringLiteral("--channels must be 1 (mono) or 2 (stereo)"));
        o.output.channels = text.toInt();
    }
    if (parser.isSet(track) && (!ReadCount(parser.value(track), o.track) || o.track < 1))
        return fail(QStringLiteral("--track must be a sound track's number, counted from 1"));
    if (parser.isSet(jobs) &&
        (!ReadCount(parser.value(jobs), o.jobs) || o.jobs < 1 || o.jobs > kMostJobs))
        return fail(QStringLiteral("--jobs must be a number from 1 to %1").arg(kMostJobs));

    if (!loudness.isNull() && !ReadLoudness(loudness, o.output.loudnessTarget))
        return fail(QStringLiteral("--loudness must be a target from %1 to %2 LUFS, or off")
                        .arg(kLowestLoudnessTarget)
                        .arg(kHighestLoudnessTarget));

    o.splitChapters = o.splitChapters || parser.isSet(splitChapters);
    if (!parser.isSet(out) || parser.value(out).trimmed().isEmpty())
        return fail(QStringLiteral("--out FOLDER is needed: the folder for the sound files"));
    o.output.outputFolder = ResolveShellFolder(parser.value(out), currentFolder);

    o.files.clear();
    for (const QString& file : parser.positionalArguments()) {
        if (file.isEmpty())
            return fail(QStringLiteral("an empty file name was given"));
        o.files << AbsoluteIn(currentFolder, file);
    }
    if (parser.isSet(filesFrom) && !ReadFileList(parser.value(filesFrom), currentFolder, o.files))
        return fail(QStringLiteral("the file list %1 cannot be read").arg(parser.value(filesFrom)));
    if (parser.isSet(keepFolders)) {
        o.keepFolders = true;
        o.baseFolder = QDir::cleanPath(currentFolder);
    }
    if (o.files.isEmpty())
        return fail(QStringLiteral("no video file was given"));

    // The encoder refuses this pair, so every file would fail.
    if (o.output.format == FormatAC3 && o.output.sampleRate == 22050)
        return fail(QStringLiteral("AC3 does not support a sample rate of 22050 Hz. Please choose "
                                   "48000, 44100 or 32000 Hz."));

    // A copied track keeps its sound as it is.
    if (o.output.format == FormatKeepOriginal && !loudness.isNull() && o.output.loudnessTarget != 0)
        return fail(QStringLiteral("--loudness cannot be used with --format original"));

    result.action = ConvertAction::Run;
    return result;
}

QString ConvertUsageText(const ConvertOptions& d) {
    QString text;
    text += QStringLiteral(
        "Usage: ostrela-convert [--format mp3|wav|ac3|flac|opus|aac|vorbis|original]\n"
        "                       [--bitrate N] [--rate N] [--channels 1|2]\n"
        "                       [--track N] [--jobs N] [--cover] [--loudness[=LUFS]]\n"
        "                       [--split-chapters] [--keep-folders] --out FOLDER\n"
        "                       [--files-from LIST] FILE...\n"
        "Extracts the sound track of each video FILE into FOLDER, as Ostrela does;\n"
        "a FILE that is a folder stands for the videos in it and its subfolders.\n\n");
    text +=
        QStringLiteral("  --format F    mp3, wav, ac3, flac, opus, aac (.m4a) or vorbis (.ogg); "
                       "original copies\n"
                       "                the sound as it is, without encoding (now %1)\n")
            .arg(FormatNameOf(d));
    text += QStringLiteral("  --bitrate N   kbit/s: %1 (now %2)\n")
                .arg(ItemTexts(kBitrateItems).join(QStringLiteral(", ")))
                .arg(d.output.bitrate);
    text += QStringLiteral("  --rate N      Hz: %1 (now %2)\n")
                .arg(ItemTexts(kSampleRateItems).join(QStringLiteral(", ")))
                .arg(d.output.sampleRate);
    text +=
        QStringLiteral("  --channels N  1 (mono) or 2 (stereo) (now %1)\n").arg(d.output.channels);
    text +=
        QStringLiteral("  --track N     the sound track to extract, counted from 1 (now %1)\n")
            .arg(d.track > 0 ? QString::number(d.track) : QStringLiteral("the encoder's choice"));
    text += QStringLiteral("  --jobs N      files converted at once, 1 to %1 (now %2)\n")
                .arg(kMostJobs)
                .arg(d.jobs);
    text += QStringLiteral("  --cover       put the video's cover picture, or a frame of it, into "
                           "MP3, M4A and FLAC\n"
                           "                files (now %1)\n")
                .arg(d.output.coverPicture ? QStringLiteral("on") : QStringLiteral("off"));
    text += QStringLiteral("  --loudness[=LUFS]  even out the loudness of each file to LUFS, "
                           "%1 to %2 (default %3);\n"
                           "                off leaves it as it is (now %4)\n")
                .arg(kLowestLoudnessTarget)
                .arg(kHighestLoudnessTarget)
                .arg(kDefaultLoudnessTarget)
                .arg(d.output.loudnessTarget != 0 ? QString::number(d.output.loudnessTarget)
                                                  : QStringLiteral("off"));
    text += QStringLiteral("  --split-chapters  one file per chapter of a video that has "
                           "chapters,\n"
                           "                named \"<name> - 01 - <chapter title>\"\n");
    text +=
        QStringLiteral("  --out FOLDER  where the sound files go; made when missing. A relative "
                       "folder lies\n"
                       "                in the current folder, ~ is the home folder\n"
                       "  --keep-folders\n"
                       "                each sound file goes into the subfolder of FOLDER that "
                       "its video\n"
                       "                lies in below the folder given (or the current folder)\n"
                       "  --files-from LIST\n"
                       "                also the files and folders named in LIST, one a line; - "
                       "reads\n"
                       "                standard input\n"
                       "  -h, --help    show this text\n"
                       "  --version     show the version\n\n"
                       "The defaults are the settings of Ostrela's window (option.ini); this "
                       "program never\n"
                       "changes them. Exit status: 0 when every file was converted, 1 when "
                       "some failed\n"
                       "(each is named on standard error with the reason), 2 for a usage "
                       "error.\n");
    return text;
}

QString ConvertVersionText() {
    return QStringLiteral(
               "%1 %2\nExtracts the sound track of videos with the encoder of Ostrela.\n")
        .arg(QLatin1String(kProgramName), QLatin1String(OSTRELA_VERSION));
}
