#pragma once
// The folder picker: a modal folder-tree dialog (directories only) behind the
// browse-for-folder interface of the program's windows. DoModal gives 1 with a
// chosen folder, 2 for an item without a file-system path and -1 on cancel;
// four overridable hooks see the dialog's callback messages.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QModelIndex;

constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;
constexpr std::uint32_t BIF_STATUSTEXT = 0x0004;
constexpr std::uint32_t BIF_EDITBOX = 0x0010;
constexpr std::uint32_t BIF_VALIDATE = 0x0020;
constexpr std::uint32_t BIF_NEWDIALOGSTYLE = 0x0040;

// Messages from the browse window to the callback.
constexpr unsigned BFFM_INITIALIZED = 1;
constexpr unsigned BFFM_SELCHANGED = 2;
constexpr unsigned BFFM_VALIDATEFAILEDA = 3;
constexpr unsigned BFFM_VALIDATEFAILEDW = 4;
constexpr unsigned BFFM_IUNKNOWN = 5;
// Messages to the browse window.
constexpr unsigned BFFM_SETSTATUSTEXTA = 0x0464;
constexpr unsigned BFFM_ENABLEOK = 0x0465;
constexpr unsigned BFFM_SETSELECTIONA = 0x0466;

// One item of the folder tree. The tree's virtual root ("Computer") has no
// file-system path.
struct BrowseItem {
    QString path;
    QString displayName;
};

// The file-system path of an item, refused (false) when the item has none or
// when it does not fit a MAX_PATH buffer.
bool GetPathFromItem(const BrowseItem& item, QString* path);

// The platform's error beep; tests install a handler that records it. An empty
// handler restores the real beep; the previous one is returned.
using MessageBeepHandler = std::function<void(unsigned)>;
void MessageBeep(unsigned type);
MessageBeepHandler SetMessageBeepHandler(MessageBeepHandler handler);

// What a browse callback message carries besides its number.
struct BrowseMessageArgument {
    const BrowseItem* item = nullptr; // BFFM_SELCHANGED
    QString text;                     // BFFM_VALIDATEFAILEDA: the typed name
    QObject* unknown = nullptr;       // BFFM_IUNKNOWN
};

// The folder-tree dialog itself. It reports to its callback as the platform's
// browse dialog does and takes the messages a callback may send.
class CFolderBrowseWindow : public QDialog {
    Q_OBJECT
public:
    using Callback =
        std::function<int(CFolderBrowseWindow*, unsigned, const BrowseMessageArgument&)>;

    CFolderBrowseWindow(QWidget* owner, const QString& title, std::uint32_t flags,
                        Callback callback);
    ~CFolderBrowseWindow() override;

    // BFFM_SETSELECTIONA (wParam true: a path), BFFM_SETSTATUSTEXTA, BFFM_ENABLEOK.
    int SendMessage(unsigned message, std::intptr_t wParam, const QString& text);

    // Sends BFFM_INITIALIZED, then gives a default selection (the home folder)
    // when the callback chose none. Runs before the dialog is shown.
    void Initialize();

    // The item chosen with OK.
    const BrowseItem& ChosenItem() const { return chosen; }
    // The highlighted item: a folder, or the virtual root when nothing is highlighted.
    BrowseItem CurrentItem() const;

    QTreeView* Tree() const { return tree; }
    QLabel* StatusLine() const { return status; }
    QLabel* NoticeLine() const { return notice; }
    QLineEdit* EditBox() const { return edit; }
    QPushButton* OkButton() const { return ok; }
    QPushButton* HomeButton() const { return home; }
    QPushButton* NewFolderButton() const { return newFolder; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCurrentChanged(const QModelIndex& current);
    void SelectPath(const QString& path);
    void MakeNewFolder();
    void Refuse(const QString& why);
    void KeepCurrentInView();

    std::uint32_t flags;
    Callback callback;
    QFileSystemModel* model = nullptr;
    QTreeView* tree = nullptr;
    QLabel* status = nullptr;
    QLabel* notice = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* home = nullptr;
    QPushButton* newFolder = nullptr;
    // A folder chosen by code stays in view while the tree loads and sorts,
    // until the user moves around in the tree.
    bool keepInView = false;
    BrowseItem chosen;
};

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
