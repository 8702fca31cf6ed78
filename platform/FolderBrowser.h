#pragma once
// The browse-for-folder window: a modal folder tree (directories only) that
// reports to a callback with the browse messages and takes the messages a
// callback may send, and the path lookup of its items.

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
