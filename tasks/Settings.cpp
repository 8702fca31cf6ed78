#include "tasks/Settings.h"

#include "app/ProgramFolder.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr char kUserSettingsFolder[] = "Ostrela";
constexpr char kAdminSettingsFile[] = "/etc/ostrela/option.ini";

QString& AdminOverride() {
    static QString path;
    return path;
}

QString BesideProgram() {
    return GetProgramFolder() + QLatin1String(kSettingsFileName);
}

// Settings beside the program: the designed place, for a copy the user may write.
bool KeptBesideProgram() {
    return !IsInstalledCopy() && IsWritableFolder(GetProgramFolder());
}
} // namespace

QString AdminSettingsFile() {
    return AdminOverride().isEmpty() ? QString::fromLatin1(kAdminSettingsFile) : AdminOverride();
}

void SetAdminSettingsFileForTesting(const QString& path) {
    AdminOverride() = path;
}

QString UserSettingsFile() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is ignored; Qt would take ":x" for an absolute resource path.
    if (!base.startsWith(QLatin1Char('/')))
        base = QDir::homePath() + QLatin1String("/.config");
    return QDir::cleanPath(base + '/' + QLatin1String(kUserSettingsFolder) + '/' +
                           QLatin1String(kSettingsFileName));
}

QStringList SettingsFilesToRead() {
    if (KeptBesideProgram())
        return {BesideProgram()};
    QStringList files{UserSettingsFile()};
    if (!IsInstalledCopy())
        files << BesideProgram();
    return files << AdminSettingsFile();
}

QString SettingsFileToWrite() {
    if (KeptBesideProgram())
        return BesideProgram();
    const QString user = UserSettingsFile();
    QDir().mkpath(QFileInfo(user).path());
    return user;
}

int ValidListIndex(int index, int count, int defaultIndex) {
    return index >= 0 && index < count ? index : defaultIndex;
}
