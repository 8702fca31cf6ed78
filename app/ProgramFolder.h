#pragma once

#include <QString>

// The running program's folder, ending with "/": every file beside the program
// is this folder followed by its name. Empty when the path has no separator.
QString GetProgramFolder();

// The folder part of an executable path, the final "/" kept; empty without one.
QString ProgramFolderOf(const QString& executablePath);
