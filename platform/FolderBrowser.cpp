#include "platform/FolderBrowser.h"

#include "platform/Beep.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace {
// Turns what the user typed into an absolute path: "~" means the home folder,
// a relative name lies below the highlighted folder. Only a leading "/" makes
// a path absolute: Qt would take ":x" for one of its resources.
QString ResolveTyped(const QString& typed, const QString& base) {
    QString path = typed;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    return QDir::cleanPath(AbsoluteIn(base, path));
}
} // namespace

bool GetPathFromItem(const BrowseItem& item, QString* path) {
    if (item.path.isEmpty() || !FitsMaxPath(item.path))
        return false;
    *path = item.path;
    return true;
}

CFolderBrowseWindow::CFolderBrowseWindow(QWidget* owner, const QString& title,
                                         std::uint32_t browseFlags, Callback onEvent)
    : QDialog(owner), flags(browseFlags), callback(std::move(onEvent)) {
    setWindowTitle(QStringLiteral("Browse For Folder"));
    setSizeGripEnabled(true);
    resize(420, 460);

    auto* layout = new QVBoxLayout(this);
    auto* titleLine = new QLabel(title, this);
    titleLine->setWordWrap(true);
    titleLine->setTextFormat(Qt::PlainText);
    layout->addWidget(titleLine);

    status = new QLabel(this);
    status->setTextFormat(Qt::PlainText);
    status->setObjectName(QStringLiteral("statusLine"));
    status->setVisible(flags & BIF_STATUSTEXT);
    layout->addWidget(status);

    model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    // Writable only for naming a new folder; the tree starts no edit by itself.
    model->setReadOnly(!(flags & BIF_NEWDIALOGSTYLE));
    model->setRootPath(QStringLiteral("/"));

    tree = new QTreeView(this);
    tree->setModel(model);
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(tree, 1);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { OnCurrentChanged(current); });
    // Folders load in the background; keep the highlighted one in view.
    connect(model, &QFileSystemModel::directoryLoaded, this, [this] { KeepCurrentInView(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { KeepCurrentInView(); });
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);
    connect(model, &QFileSystemModel::fileRenamed, this,
            [this] { OnCurrentChanged(tree->currentIndex()); });

    if (flags & BIF_EDITBOX) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(QStringLiteral("Folder:"), this);
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("folderEdit"));
        label->setBuddy(edit);
        row->addWidget(label);
        row->addWidget(edit, 1);
        layout->addLayout(row);
    }

    notice = new QLabel(this);
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setObjectName(QStringLiteral("noticeLine"));
    notice->hide();
    layout->addWidget(notice);

    auto* buttons = new QHBoxLayout;
    home = new QPushButton(QStringLiteral("&Home"), this);
    home->setAutoDefault(false);
    connect(home, &QPushButton::clicked, this, [this] { SelectPath(QDir::homePath()); });
    buttons->addWidget(home);
    if (flags & BIF_NEWDIALOGSTYLE) {
        newFolder = new QPushButton(QStringLiteral("&Make New Folder"), this);
        newFolder->setAutoDefault(false);
        connect(newFolder, &QPushButton::clicked, this, [this] { MakeNewFolder(); });
        buttons->addWidget(newFolder);
    }
    buttons->addStretch(1);
    ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CFolderBrowseWindow::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &CFolderBrowseWindow::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Nothing is highlighted yet: the virtual root.
    ok->setEnabled(!(flags & BIF_RETURNONLYFSDIRS));
    if (newFolder)
        newFolder->setEnabled(false);
}

CFolderBrowseWindow::~CFolderBrowseWindow() = default;

BrowseItem CFolderBrowseWindow::CurrentItem() const {
    const QModelIndex index = tree->currentIndex();
    if (!index.isValid())
        return {QString(), QStringLiteral("Computer")};
    return {model->filePath(index), model->fileName(index)};
}

void CFolderBrowseWindow::Initialize() {
    callback(this, BFFM_INITIALIZED, {});
    if (flags & BIF_NEWDIALOGSTYLE)
        callback(this, BFFM_IUNKNOWN, {nullptr, QString(), tree});
    if (!tree->currentIndex().isValid())
        SelectPath(QDir::homePath());
}

int CFolderBrowseWindow::SendMessage(unsigned message, std::intptr_t wParam, const QString& text) {
    switch (message) {
    case BFFM_SETSELECTIONA:
        if (wParam)
            SelectPath(text);
        break;
    case BFFM_SETSTATUSTEXTA:
        status->setText(text);
        break;
    case BFFM_ENABLEOK:
        ok->setEnabled(wParam != 0);
        break;
    default:
        break;
    }
    return 0;
}

void CFolderBrowseWindow::SelectPath(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    QModelIndex index = model->index(clean);
    if (!index.isValid() && QFileInfo(clean).isDir()) {
        // A folder below a hidden one: show hidden folders from now on.
        model->setFilter(model->filter() | QDir::Hidden);
        index = model->index(clean);
    }
    if (!index.isValid())
        return;
    tree->setCurrentIndex(index);
    keepInView = true;
    KeepCurrentInView();
}

void CFolderBrowseWindow::KeepCurrentInView() {
    if (keepInView && tree->currentIndex().isValid())
        tree->scrollTo(tree->currentIndex(), QAbstractItemView::PositionAtCenter);
}

bool CFolderBrowseWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        keepInView = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CFolderBrowseWindow::OnCurrentChanged(const QModelIndex& current) {
    Q_UNUSED(current);
    const BrowseItem item = CurrentItem();
    if (edit)
        edit->setText(item.path);
    notice->hide();
    ok->setEnabled(!(flags & BIF_RETURNONLYFSDIRS) || !item.path.isEmpty());
    if (newFolder)
        newFolder->setEnabled(!item.path.isEmpty());
    callback(this, BFFM_SELCHANGED, {&item, QString(), nullptr});
}

void CFolderBrowseWindow::Refuse(const QString& why) {
    MessageBeep(MB_ICONHAND);
    notice->setText(why);
    notice->show();
}

void CFolderBrowseWindow::MakeNewFolder() {
    const BrowseItem item = CurrentItem();
    if (item.path.isEmpty())
        return;
    const QDir parentDir(item.path);
    QString name = QStringLiteral("New Folder");
    for (int n = 2; parentDir.exists(name); ++n)
        name = QStringLiteral("New Folder (%1)").arg(n);
    if (!FitsMaxPath(parentDir.filePath(name))) {
        Refuse(QStringLiteral("The new folder's path would be longer than %1 bytes.")
                   .arg(MAX_PATH - 1));
        return;
    }
    const QModelIndex parentIndex = tree->currentIndex();
    const QModelIndex created = model->mkdir(parentIndex, name);
    if (!created.isValid()) {
        Refuse(QStringLiteral("A new folder cannot be made in \"%1\".").arg(item.path));
        return;
    }
    tree->expand(parentIndex);
    tree->setCurrentIndex(created);
    tree->scrollTo(created);
    tree->edit(created);
}

void CFolderBrowseWindow::accept() {
    BrowseItem item = CurrentItem();
    const QString typed = edit ? edit->text().trimmed() : QString();
    if (!typed.isEmpty() && typed != item.path) {
        const QString resolved = ResolveTyped(typed, item.path);
        if (QFileInfo(resolved).isDir()) {
            item = {resolved, QFileInfo(resolved).fileName()};
        } else if (flags & BIF_VALIDATE) {
            // The callback decides: non-zero keeps the dialog open, zero
            // dismisses it without a folder.
            if (callback(this, BFFM_VALIDATEFAILEDA, {nullptr, typed, nullptr}) != 0)
                return;
            reject();
            return;
        } else {
            Refuse(QStringLiteral("\"%1\" is not a folder.").arg(typed));
            return;
        }
    }
    if (item.path.isEmpty() && (flags & BIF_RETURNONLYFSDIRS))
        return;
    if (!item.path.isEmpty() && !FitsMaxPath(item.path)) {
        Refuse(QStringLiteral("The folder's path is longer than %1 bytes. Choose a folder with a "
                              "shorter path.")
                   .arg(MAX_PATH - 1));
        return;
    }
    chosen = item;
    QDialog::accept();
}
