#pragma once
// The videos inside a folder and its subfolders, for a folder dropped on the
// task list, Add Folder and ostrela-convert's folder arguments: the types of
// the Add Files dialog's "All supported media files", in the order a file
// manager shows them, read only as far as they are asked for.

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// The patterns of "All supported media files", as the Add Files filter
// lists them ("*.mpg;*.mpeg;...").
extern const char kSupportedMediaPatterns[];

// Whether a file name has one of those extensions (in any case).
bool IsSupportedMediaName(const QString& fileName);

// Walks a folder tree one video at a time. In each folder its subfolders come
// first, then its files, each in natural order ("2" before "10", case
// ignored), a subfolder's contents before the next entry. Names starting with
// "." are skipped, files and folders alike; a folder reached twice (through a
// symbolic link) is read once, so a link loop ends.
class FolderScan {
public:
    explicit FolderScan(const QString& folder);

    // The next video's path, below the folder as given; empty once there is none.
    QString Next();

private:
    struct Level {
        QString folder;
        QStringList folders; // still to read, in order
        QStringList files;   // still to give, in order
    };
    void Enter(const QString& folder);

    std::vector<Level> levels;
    QSet<QString> seen; // canonical paths of the folders read
};

// At most `limit` videos of the folder tree, in FolderScan's order.
QStringList ScanFolder(const QString& folder, int limit);
