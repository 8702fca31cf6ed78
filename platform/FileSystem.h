#pragma once
// Where the running program lies, the temporary folder, and the few file
// system services the program needs, with the meanings the program relies on.

#include <QString>

// Paths, and text kept in path-sized fields, hold at most this many bytes
// including the terminator; what does not fit is refused, never cut.
constexpr int MAX_PATH = 260;

// True when the text's UTF-8 bytes and a terminator fit MAX_PATH.
bool FitsMaxPath(const QString& text);

// Full path of the running executable (or the test-only override).
QString GetModuleFileName();

// Test-only: make GetModuleFileName() report this path; an empty path restores
// the real one. The program itself never calls it.
void SetModuleFileNameForTesting(const QString& path);

// The temporary folder, ending with "/".
QString GetTempFolder();

// True when a file or folder of that name exists.
bool FileExists(const QString& path);

// True for a regular file (not a link) that belongs to this user and that no
// one else may change: the test for trusting a program in a shared folder.
bool IsPrivateFile(const QString& path);

// True when this process may create files in the folder (write and search
// permission, as access(2) decides them, so root may write almost anywhere).
bool IsWritableFolder(const QString& folder);

// Test-only: make IsWritableFolder() refuse this folder, as for a user in a
// system folder; an empty path ends it. The program itself never calls it.
void SetReadOnlyFolderForTesting(const QString& folder);

// Creates the last level of the path only; false when it exists or fails.
bool CreateDirectory(const QString& path);

// Removes a file; false when there was none or it could not be removed.
bool DeleteFile(const QString& path);

// `path` itself when it begins with "/", else `path` inside `folder`. Only a
// leading "/" makes a path absolute: Qt would take ":x" for one of its resources.
QString AbsoluteIn(const QString& folder, const QString& path);
