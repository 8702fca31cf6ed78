#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace {
ShellHandler& Handler() {
    static ShellHandler handler;
    return handler;
}
} // namespace

ShellHandler SetShellHandler(ShellHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

bool HasApplicationFor(const QString& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0)
        return true;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool ShellExecute(QWidget* owner, const QString& verb, const QString& file,
                  const QString& parameters, const QString& directory, int showCommand) {
    const ShellRequest request{ShellRequest::Open, owner,     verb,       file,
                               parameters,         directory, showCommand};
    if (Handler())
        return Handler()(request);
    if (file.isEmpty())
        return false;
    // A local path is opened as a file URL; anything with a scheme is a URL
    // already. A path without a scheme that is not absolute lies below the
    // current folder, as the shell takes it (an output folder typed as "music").
    QUrl url = QFileInfo(file).isAbsolute() ? QUrl::fromLocalFile(file) : QUrl(file);
    if (url.scheme().isEmpty())
        url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile() &&
        !HasApplicationFor(url.toLocalFile()))
        return false;
    return QDesktopServices::openUrl(url);
}

bool StartProgram(const QString& path, int showCommand) {
    const ShellRequest request{
        ShellRequest::StartProgram, nullptr, QString(), path, QString(), QString(), showCommand};
    if (Handler())
        return Handler()(request);
    if (!QFileInfo(path).isExecutable())
        return false;
    return QProcess::startDetached(path, {});
}
