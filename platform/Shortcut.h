#pragma once
// Shortcuts as the desktop makes them: symbolic links and freedesktop link
// files (.desktop files of Type=Link), and the local paths that file URLs name.

#include <QString>

class QUrl;

// The target of a symbolic link (followed to its end) or of a .desktop file
// of Type=Link whose URL is a local file; empty for every other path.
QString ResolveShortcut(const QString& path);

// The absolute local path a file URL names, or empty: a relative URL
// (file:clip.avi) names no particular file, and an encoded NUL would cut the
// path short when it reaches the file system.
QString LocalFilePath(const QUrl& url);
