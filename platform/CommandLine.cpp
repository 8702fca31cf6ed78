#include "platform/CommandLine.h"

namespace {
bool IsBlank(QChar c) {
    return c == ' ' || c == '\t';
}
} // namespace

QStringList CommandLineToArgv(const QString& commandLine) {
    QStringList args;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;

    // The program name: quoted up to the next quote, or up to the next blank.
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    if (i >= n)
        return args;
    QString first;
    if (commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"')
            first += commandLine[i++];
        if (i < n)
            ++i;
    } else {
        while (i < n && !IsBlank(commandLine[i]))
            first += commandLine[i++];
    }
    args << first;

    for (;;) {
        while (i < n && IsBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        QString arg;
        bool quoted = false;
        while (i < n) {
            const QChar c = commandLine[i];
            if (c == '\\') {
                qsizetype slashes = 0;
                while (i < n && commandLine[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && commandLine[i] == '"') {
                    arg += QString(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg += '"';
                        ++i;
                    }
                    // An even count leaves the quote to toggle quoting below.
                } else {
                    arg += QString(slashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && IsBlank(c))
                break;
            arg += c;
            ++i;
        }
        args << arg;
    }
    return args;
}

QString QuoteArgument(const QString& argument) {
    QString out = "\"";
    qsizetype slashes = 0;
    for (const QChar c : argument) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out += QString(slashes * 2 + 1, '\\');
            out += '"';
        } else {
            out += QString(slashes, '\\');
            out += c;
        }
        slashes = 0;
    }
    out += QString(slashes * 2, '\\');
    out += '"';
    return out;
}
