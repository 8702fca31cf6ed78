#pragma once

#include <QString>

// The running program's folder, ending with "/": every file beside the program
// is this folder followed by its name. Empty when the path has no separator.
QString GetProgramFolder();

// The folder part of an executable path, the final "/" kept; empty without one.
QString ProgramFolderOf(const QString& executablePath);

// Laid into the program folder by the package alone (the install rule writes
// it only when OSTRELA_PACKAGE_MARKER is on).
inline constexpr char kInstalledMarkerName[] = "installed";

// Whether the package laid this copy down: its folder then belongs to the
// package and is never written, whoever runs the program, root included.
bool IsInstalledCopy();
