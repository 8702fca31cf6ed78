#include "tasks/Settings.h"

#include "app/ProgramFolder.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr char kUserSettingsFolder[] = "Ostrela";

QString BesideProgram() {
    return GetProgramFolder() + QLatin1String(kSettingsFileName);
}
} // namespace

QString UserSettingsFile() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is ignored; Qt would take ":x" for an absolute resource path.
    if (!base.startsWith(QLatin1Char('/')))
        base = QDir::homePath() + QLatin1String("/.config");
    return QDir::cleanPath(base + '/' + QLatin1String(kUserSettingsFolder) + '/' +
                           QLatin1String(kSettingsFileName));
}

QString SettingsFileToRead() {
    if (IsWritableFolder(GetProgramFolder()))
        return BesideProgram();
    const QString user = UserSettingsFile();
    return FileExists(user) ? user : BesideProgram();
}

QString SettingsFileToWrite() {
    if (IsWritableFolder(GetProgramFolder()))
        return BesideProgram();
    const QString user = UserSettingsFile();
    QDir().mkpath(QFileInfo(user).path());
    return user;
}

int ValidListIndex(int index, int count, int defaultIndex) {
    return index >= 0 && index < count ? index : defaultIndex;
}
