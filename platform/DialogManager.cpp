#include "platform/DialogManager.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

namespace {
QHash<QString, ControlFactory>& ClassRegistry() {
    static QHash<QString, ControlFactory> registry;
    return registry;
}

// A drop-down list named by its label (its accessible name) rather than, as
// the platform's own interface has it on this system, by its current value.
class NamedComboAccessible : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        // Unnamed, the value is the best name there is.
        if (t == QAccessible::Value ||
            (t == QAccessible::Name && Combo()->accessibleName().isEmpty()))
            return Combo()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == Combo()->view() ? 0 : -1;
    }
    QStringList actionNames() const override {
        return QStringList(showMenuAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            Combo()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

// Installed once the application runs: the platform's own factory, installed
// with the application, would otherwise be asked first.
void InstallComboAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(
            [](const QString& key, QObject* object) -> QAccessibleInterface* {
                auto* combo =
                    key == QLatin1String("QComboBox") ? qobject_cast<QComboBox*>(object) : nullptr;
                if (combo && !combo->isEditable())
                    return new NamedComboAccessible(combo);
                return nullptr;
            });
        return true;
    }();
    Q_UNUSED(installed);
}

// The size a control needs to show its text whole in the font it has now,
// with its own margins and indicator; empty for a control without text.
QSize TextNeeds(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text().isEmpty())
            return {};
        // Measured without the text, so the style's minimum button width,
        // which is no part of the text, does not count.
        QStyleOptionButton opt;
        opt.initFrom(b);
        if (b->isDefault())
            opt.features |= QStyleOptionButton::DefaultButton;
        if (b->autoDefault())
            opt.features |= QStyleOptionButton::AutoDefaultButton;
        const QFontMetrics fm(b->font());
        const QSize text = fm.size(Qt::TextShowMnemonic, b->text());
        const QSize frame =
            b->style()->sizeFromContents(QStyle::CT_PushButton, &opt, QSize(0, 0), b);
        return text + frame;
    }
    if (auto* r = qobject_cast<QRadioButton*>(w))
        return r->text().isEmpty() ? QSize() : r->sizeHint();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().isEmpty() || l->wordWrap() ? QSize() : l->sizeHint();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title().isEmpty() ? QSize() : QSize(g->minimumSizeHint().width(), 0);
    // A drop-down list keeps its designed width: an item may be longer than
    // any width could hold (a sound track's title), and shows elided.
    if (auto* c = qobject_cast<QComboBox*>(w))
        return QSize(0, c->sizeHint().height());
    return {};
}

// Grows every control whose text does not fit, and the dialog with it, from
// the sizes the template designed; where the text fits nothing changes. Runs
// as the dialog is shown and whenever its font changes afterwards.
class TextFitter : public QObject {
public:
    explicit TextFitter(QDialog* fitted) : QObject(fitted), dialog(fitted) {
        dialog->installEventFilter(this);
        for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->property("designedSize").isValid())
                w->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == dialog && type == QEvent::Show)
            Fit();
        // A style sheet gives the controls their fonts one by one, apart
        // from the dialog's: one fit after the last of them.
        else if ((type == QEvent::FontChange || type == QEvent::StyleChange) && !pending) {
            pending = true;
            QTimer::singleShot(0, this, [this] {
                pending = false;
                Fit();
            });
        }
        return false;
    }

    void Fit() {
        // How far the controls reach past the farthest designed edges: the
        // dialog grows by as much, keeping its designed margins.
        int right = 0, bottom = 0, designedRight = 0, designedBottom = 0;
        for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QVariant designed = w->property("designedSize");
            if (!designed.isValid() || w->isWindow())
                continue;
            const QSize size = designed.toSize();
            // Only controls the template gives a text: one without (the clip's
            // title line) is filled later and may be of any length.
            const QSize needs = w->property("fitsText").toBool() ? TextNeeds(w) : QSize();
            // A drop-down list keeps the height of its text.
            const int height = qobject_cast<QComboBox*>(w) ? w->height() : size.height();
            // A text the program sets later may name a file: no more than
            // twice the designed width, so such a name cannot stretch the window.
            w->resize(qBound(size.width(), needs.width(), 2 * size.width()),
                      qMax(height, needs.height()));
            if (w->isHidden())
                continue;
            designedRight = qMax(designedRight, w->x() + size.width());
            designedBottom = qMax(designedBottom, w->y() + height);
            right = qMax(right, w->geometry().right() + 1);
            bottom = qMax(bottom, w->geometry().bottom() + 1);
        }
        const QSize grow(right - designedRight, bottom - designedBottom);
        if (grow != grown) {
            dialog->setFixedSize(dialog->size() - grown + grow);
            grown = grow;
        }
    }

private:
    QDialog* dialog;
    QSize grown{0, 0}; // what Fit added to the dialog's size
    bool pending = false;
};

int MulDiv(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

QWidget* MakeControl(QWidget* parent, const ControlTemplate& c, const BuildOptions& options) {
    const QString text = QString::fromUtf8(c.text ? c.text : "");
    if (auto f = options.factories.find(c.id); f != options.factories.end() && c.id != IDC_STATIC)
        return f->second(parent);
    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        // Enter pushes the focused button, else the default one.
        auto* b = new QPushButton(text, parent);
        b->setAutoDefault(true);
        b->setDefault(c.kind == ControlKind::DefPushButton);
        return b;
    }
    case ControlKind::StaticLeft:
    case ControlKind::StaticCenter: {
        auto* l = new QLabel(text, parent);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment((c.kind == ControlKind::StaticCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
                        Qt::AlignTop);
        return l;
    }
    case ControlKind::GroupBox: {
        auto* g = new QGroupBox(text, parent);
        // A group box only frames; presses go through to what lies below.
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        return g;
    }
    case ControlKind::Edit:
        return new QLineEdit(parent);
    case ControlKind::ListView:
        return new QWidget(parent);
    case ControlKind::DropList: {
        auto* combo = new QComboBox(parent);
        for (const char* item : c.items)
            combo->addItem(QString::fromUtf8(item));
        combo->setCurrentIndex(-1);
        return combo;
    }
    case ControlKind::AutoRadio: {
        // One tab stop per group, set by GroupRadios; the arrow keys move
        // between the radios of the group.
        auto* r = new QRadioButton(text, parent);
        r->setFocusPolicy(Qt::ClickFocus);
        return r;
    }
    case ControlKind::AutoCheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::Progress: {
        auto* p = new QProgressBar(parent);
        p->setRange(0, 100);
        p->setValue(0);
        p->setTextVisible(false);
        return p;
    }
    case ControlKind::BlackFrame: {
        auto* f = new QFrame(parent);
        f->setFrameStyle(QFrame::Box | QFrame::Plain);
        return f;
    }
    case ControlKind::SunkenLine: {
        auto* f = new QFrame(parent);
        f->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        return f;
    }
    case ControlKind::Icon: {
        auto* l = new QLabel(parent);
        l->setPixmap(QIcon(QStringLiteral(":/res/ostrela.png")).pixmap(32, 32));
        return l;
    }
    case ControlKind::Custom: {
        const auto it = ClassRegistry().constFind(QString::fromUtf8(c.className));
        if (it != ClassRegistry().constEnd())
            return it.value()(parent);
        return new QWidget(parent);
    }
    }
    return new QWidget(parent);
}
// Radios that follow each other in the template form one group with one tab
// stop: the checked radio, or the first while none is checked.
void GroupRadios(const std::vector<QRadioButton*>& group) {
    if (group.empty())
        return;
    const auto retab = [group] {
        QRadioButton* stop = group.front();
        for (QRadioButton* r : group)
            if (r->isChecked())
                stop = r;
        for (QRadioButton* r : group)
            r->setFocusPolicy(r == stop ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (QRadioButton* r : group)
        QObject::connect(r, &QAbstractButton::toggled, r, retab);
    retab();
}
} // namespace

void RegisterControlClass(const QString& className, ControlFactory factory) {
    ClassRegistry().insert(className, std::move(factory));
}

QFont DialogFont(const DialogTemplate& tmpl) {
    QFont font(QString::fromUtf8(tmpl.fontName));
    font.setPointSize(tmpl.pointSize);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, fm.height());
}

QRect MapDialogRect(const QFont& font, const QRect& du) {
    const QSize base = DialogBaseUnits(font);
    const int left = MulDiv(du.x(), base.width(), 4);
    const int top = MulDiv(du.y(), base.height(), 8);
    const int right = MulDiv(du.x() + du.width(), base.width(), 4);
    const int bottom = MulDiv(du.y() + du.height(), base.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

void BuildDialog(QDialog* dialog, const DialogTemplate& tmpl, const BuildOptions& options) {
    InstallComboAccessible();
    const QFont font = DialogFont(tmpl);
    dialog->setFont(font);
    dialog->setWindowTitle(QString::fromUtf8(tmpl.caption));
    const QRect client = MapDialogRect(font, QRect(0, 0, tmpl.cx, tmpl.cy));
    dialog->setFixedSize(client.width(), client.height() + options.topOffset);

    std::vector<QWidget*> frames;
    std::vector<QRadioButton*> radios;
    for (const ControlTemplate& c : tmpl.controls) {
        QWidget* w = MakeControl(dialog, c, options);
        if (auto* r = qobject_cast<QRadioButton*>(w); r && c.kind == ControlKind::AutoRadio) {
            radios.push_back(r);
        } else {
            GroupRadios(radios);
            radios.clear();
        }
        w->setProperty("controlId", c.id);
        if (c.id != IDC_STATIC)
            w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
        QRect geometry =
            MapDialogRect(font, QRect(c.x, c.y, c.cx, c.cy)).translated(0, options.topOffset);
        // A drop-down list's template height includes its open list; closed,
        // it is as high as its text.
        if (c.kind == ControlKind::DropList)
            geometry.setHeight(w->sizeHint().height());
        w->setGeometry(geometry);
        w->setProperty("designedSize", geometry.size());
        w->setProperty("fitsText", (c.text && *c.text) || c.kind == ControlKind::DropList);
        if (!c.visible)
            w->hide();
        if (c.kind == ControlKind::GroupBox || c.kind == ControlKind::SunkenLine ||
            c.kind == ControlKind::BlackFrame)
            frames.push_back(w);
    }
    GroupRadios(radios);
    new TextFitter(dialog);
    for (const auto& [id, name] : tmpl.names)
        if (QWidget* w = GetDlgItem(dialog, id))
            w->setAccessibleName(QString::fromUtf8(name));
    // Frames lie beneath the controls they surround.
    for (QWidget* f : frames)
        f->lower();
}

QWidget* GetDlgItem(const QWidget* dialog, int id) {
    if (!dialog || id == IDC_STATIC)
        return nullptr;
    return dialog->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

void SetDlgItemText(const QWidget* dialog, int id, const QString& text) {
    QWidget* w = GetDlgItem(dialog, id);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
    else if (w)
        w->setWindowTitle(text);
}

QString GetDlgItemText(const QWidget* dialog, int id) {
    QWidget* w = GetDlgItem(dialog, id);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return w ? w->windowTitle() : QString();
}

int GetDlgCtrlID(const QWidget* control) {
    if (!control)
        return IDC_STATIC;
    const QVariant id = control->property("controlId");
    return id.isValid() ? id.toInt() : IDC_STATIC;
}
