#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
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

bool ShellExecute(QWidget* owner, const QString& verb, const QString& file,
                  const QString& parameters, const QString& directory, int showCommand) {
    const ShellRequest request{ShellRequest::Open, owner,     verb,       file,
                               parameters,         directory, showCommand};
    if (Handler())
        return Handler()(request);
    if (file.isEmpty())
        return false;
    // A local path is opened as a file URL; anything with a scheme is a URL already.
    const QUrl url = QFileInfo(file).isAbsolute() ? QUrl::fromLocalFile(file) : QUrl(file);
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
