#include "app/ProgramFolder.h"

#include "platform/FileSystem.h"

#include <QFileInfo>

QString ProgramFolderOf(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf('/');
    return slash < 0 ? QString() : executablePath.left(slash + 1);
}

QString GetProgramFolder() {
    return ProgramFolderOf(GetModuleFileName());
}

bool IsInstalledCopy() {
    const QString folder = GetProgramFolder();
    return !folder.isEmpty() && QFileInfo(folder + QLatin1String(kInstalledMarkerName)).isFile();
}
