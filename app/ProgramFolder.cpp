#include "app/ProgramFolder.h"

#include "platform/FileSystem.h"

QString ProgramFolderOf(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf('/');
    return slash < 0 ? QString() : executablePath.left(slash + 1);
}

QString GetProgramFolder() {
    return ProgramFolderOf(GetModuleFileName());
}
