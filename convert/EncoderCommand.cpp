#include "convert/EncoderCommand.h"

#include "app/ProgramFolder.h"
#include "platform/CommandLine.h"
#include "platform/FileSystem.h"
#include "tasks/TaskTable.h"

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

} // namespace

QString OutputExtensionOf(int format) {
    switch (format) {
    case FormatWAV:
        return QStringLiteral("wav");
    case FormatAC3:
        return QStringLiteral("ac3");
    default:
        return QStringLiteral("mp3");
    }
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

QString BuildEncoderCommandLine(const TaskRecord& task, const OutputSettings& settings,
                                const QString& extension, const QString& encoderPath) {
    const QString source = QuoteArgument(FixedText(task.sourcePath));
    const QString clip = BuildClipOption(task.duration, task.clipStart, task.clipLength);
    const QString output =
        QuoteArgument(BuildOutputPath(settings.outputFolder, FixedText(task.title), extension));
    const QString bitrate = QString::number(settings.bitrate) + 'k';
    const QString channels = settings.channels == 1 ? QStringLiteral("1") : QStringLiteral("2");
    const QString sampleRate = QString::number(settings.sampleRate);

    QString codec;
    switch (settings.format) {
    case FormatWAV:
        codec = QStringLiteral("-vn");
        break;
    case FormatAC3:
        codec = QStringLiteral("-acodec ac3");
        break;
    default:
        codec = QStringLiteral("-acodec libmp3lame");
        break;
    }

    return ProgramArgument(encoderPath) + " -i " + source + ' ' + clip + " -y " + codec + " -ab " +
           bitrate + " -ac " + channels + " -ar " + sampleRate + ' ' + output;
}
