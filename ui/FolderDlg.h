#pragma once
// The folder picker behind the program's windows, over the browse-for-folder
// window. DoModal gives 1 with a chosen folder, 2 for an item without a
// file-system path and -1 on cancel; four overridable hooks see the window's
// callback messages.

#include "platform/FolderBrowser.h"

#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

class CFolderDialog {
public:
    // `initialFolder` may be empty; a folder that does not fit a path buffer is
    // ignored. `parent` may be null.
    CFolderDialog(const QString& title, const QString& initialFolder, QWidget* parent,
                  std::uint32_t flags);
    virtual ~CFolderDialog();
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // 1: a folder was chosen (GetFolderPath); 2: the chosen item has no
    // file-system path; -1: cancelled or closed.
    virtual int DoModal();

    QString GetFolderPath() const { return selectedPath; }

    QString Title() const { return title; }
    QString InitialFolder() const { return initialFolder; }
    QWidget* Parent() const { return parent; }
    std::uint32_t Flags() const { return flags; }

    // Answers DoModal in place of the dialog: returns the result and fills
    // `path` for 1. Tests use it so that no dialog is shown. An empty
    // responder restores the dialog; the previous one is returned.
    using Responder = std::function<int(const CFolderDialog&, QString& path)>;
    static Responder SetResponder(Responder responder);

    // Runs for each browse window just before its modal loop, so tests can
    // drive the real dialog.
    using ShowHook = std::function<void(CFolderBrowseWindow*)>;
    static ShowHook SetOnShow(ShowHook hook);

protected:
    // Selects the initial folder, if there is one.
    virtual void OnBrowseInitialized();
    // Shows the highlighted folder's path in the status line with BIF_STATUSTEXT.
    virtual void OnBrowseSelChanged(const BrowseItem& item);
    // Beeps; a non-zero result keeps the dialog open.
    virtual int OnBrowseValidateFailed(const QString& typedName);
    virtual void OnBrowseUnknownInterface(QObject* unknown);

    // The open browse window, valid only while a hook runs.
    CFolderBrowseWindow* BrowseWindow() const { return browseWindow; }

private:
    int BrowseCallback(CFolderBrowseWindow* window, unsigned message,
                       const BrowseMessageArgument& argument);

    QString title;
    QString initialFolder;
    QString selectedPath;
    QWidget* parent;
    std::uint32_t flags;
    CFolderBrowseWindow* browseWindow = nullptr;
};
