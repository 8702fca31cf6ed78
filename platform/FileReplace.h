#pragma once
// Replacing a small file's whole content so that a failure, a full disk
// included, never leaves a shorter or mixed file behind.

#include "platform/Process.h"

#include <QByteArrayView>
#include <QString>

// Puts `content` in place as the whole of `fileName`, creating the file (never
// its folder) when it is missing. The new content is written beside the file,
// flushed to the disk and renamed over it, with the old file's permissions
// and, where allowed, its owner; a symbolic link is followed, not replaced.
// When nothing new can be created in the folder but the file itself is
// writable, the file is rewritten in place after the room for the new content
// was reserved, and read back. Returns false when the new content is not
// wholly in place; the old file then holds exactly its old bytes.
bool ReplaceFileContents(const QString& fileName, QByteArrayView content);

// Serialises the programs that change one file (two windows, a window and
// ostrela-convert): held from before the file is read until its new content is
// in place, so no change is lost between another's read and replace. An
// advisory lock on the file's folder (symbolic links followed as
// ReplaceFileContents follows them), which stays the same object while the
// file is replaced. Where the file system has no such locks the change goes
// on unguarded.
class CFileChangeLock {
public:
    explicit CFileChangeLock(const QString& fileName);
    bool IsHeld() const { return held.IsOpen(); }

private:
    CFileDescriptor held;
};
