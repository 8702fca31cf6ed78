#include "ui/FolderDlg.h"

#include "platform/Beep.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <utility>

namespace {
CFolderDialog::Responder& FolderResponder() {
    static CFolderDialog::Responder responder;
    return responder;
}

CFolderDialog::ShowHook& OnShowHook() {
    static CFolderDialog::ShowHook hook;
    return hook;
}
} // namespace

CFolderDialog::CFolderDialog(const QString& caption, const QString& folder, QWidget* owner,
                             std::uint32_t browseFlags)
    : title(caption), initialFolder(FitsMaxPath(folder) ? folder : QString()), parent(owner),
      flags(browseFlags) {}

CFolderDialog::~CFolderDialog() = default;

CFolderDialog::Responder CFolderDialog::SetResponder(Responder responder) {
    return std::exchange(FolderResponder(), std::move(responder));
}

CFolderDialog::ShowHook CFolderDialog::SetOnShow(ShowHook hook) {
    return std::exchange(OnShowHook(), std::move(hook));
}

int CFolderDialog::DoModal() {
    if (FolderResponder()) {
        QString path;
        const int result = FolderResponder()(*this, path);
        if (result == 1)
            selectedPath = path;
        return result;
    }
    // The owner is the parent's top-level window, or the active window.
    QWidget* owner = parent ? parent->window() : QApplication::activeWindow();
    CFolderBrowseWindow window(
        owner, title, flags,
        [this](CFolderBrowseWindow* w, unsigned message, const BrowseMessageArgument& argument) {
            return BrowseCallback(w, message, argument);
        });
    window.Initialize();
    if (OnShowHook())
        OnShowHook()(&window);
    if (window.exec() != QDialog::Accepted)
        return -1;
    QString path;
    if (!GetPathFromItem(window.ChosenItem(), &path))
        return 2;
    selectedPath = path;
    return 1;
}

int CFolderDialog::BrowseCallback(CFolderBrowseWindow* window, unsigned message,
                                  const BrowseMessageArgument& argument) {
    // A hook may send a message that calls back at once; restore the outer window.
    CFolderBrowseWindow* outer = std::exchange(browseWindow, window);
    int result = 0;
    switch (message) {
    case BFFM_INITIALIZED:
        OnBrowseInitialized();
        break;
    case BFFM_SELCHANGED:
        if (argument.item)
            OnBrowseSelChanged(*argument.item);
        break;
    case BFFM_VALIDATEFAILEDA:
        result = OnBrowseValidateFailed(argument.text);
        break;
    case BFFM_IUNKNOWN:
        OnBrowseUnknownInterface(argument.unknown);
        break;
    default:
        break;
    }
    browseWindow = outer;
    return result;
}

void CFolderDialog::OnBrowseInitialized() {
    if (!initialFolder.isEmpty() && browseWindow)
        browseWindow->SendMessage(BFFM_SETSELECTIONA, 1, initialFolder);
}

void CFolderDialog::OnBrowseSelChanged(const BrowseItem& item) {
    if (!(flags & BIF_STATUSTEXT) || !browseWindow)
        return;
    QString path;
    if (GetPathFromItem(item, &path))
        browseWindow->SendMessage(BFFM_SETSTATUSTEXTA, 0, path);
}

int CFolderDialog::OnBrowseValidateFailed(const QString& typedName) {
    Q_UNUSED(typedName);
    MessageBeep(MB_ICONHAND);
    return 1;
}

void CFolderDialog::OnBrowseUnknownInterface(QObject* unknown) {
    Q_UNUSED(unknown);
}
