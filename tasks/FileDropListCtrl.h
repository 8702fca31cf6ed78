#pragma once
// The task list's control: a list control that takes files dragged from the
// desktop, resolves shortcuts (symbolic links and .desktop links) to their
// targets, filters the dropped paths by kind and optionally by extension, and
// hands each accepted path to a drop handler or to its own default insertion.

#include "platform/ListCtrl.h"

#include <QString>
#include <cstdint>

class CFileDropListCtrl : public CListCtrl {
    Q_OBJECT
public:
    using DropFlags = uint32_t;
    enum : DropFlags {
        AcceptFiles = 0x01,
        AcceptFolders = 0x02,
        AllowDuplicates = 0x04, // the default insertion skips its duplicate test
        FilterByExtension = 0x10,
        UseHandler = 0x20, // accepted paths go to the drop handler
    };

    // Kinds of an accepted path.
    enum : unsigned { FolderPath = 64, FilePath = 128 };

    // Receives an accepted path and its kind; the result is not used.
    using DropCallback = int (*)(CFileDropListCtrl* list, const QString& path, unsigned* kind);

    struct DropConfig {
        DropFlags flags = AcceptFiles | AcceptFolders;
        QString extension; // with its full stop, e.g. ".avi"
        DropCallback dropHandler = nullptr;
    };

    explicit CFileDropListCtrl(QWidget* parent = nullptr);

    // False, changing nothing, when UseHandler is asked for without a handler.
    bool SetDropConfig(const DropConfig& config);

    // Whether the configuration takes the path; kind becomes FolderPath or
    // FilePath for a folder or a regular file.
    bool AcceptDroppedPath(const QString& path, unsigned* kind) const;

    // The default delivery: a new row at the top with the path as its text,
    // unless the path is listed already (without AllowDuplicates). The new
    // row's index, or -1 when nothing was inserted.
    virtual int InsertDroppedPath(const QString& path);

    // Counts the drops handled so far; a handler tells one drop from the next by it.
    int DropSerial() const { return dropSerial; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    DropFlags flags = AcceptFiles | AcceptFolders;
    QString extension;
    DropCallback dropHandler = nullptr;
    int dropSerial = 0;
};
