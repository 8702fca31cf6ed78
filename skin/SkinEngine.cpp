#include "SkinEngine.h"

#include "CaptionStrip.h"
#include "platform/DispatchInterface.h"
#include "platform/WindowHandle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace {

// The skin's palette: every role the standard controls paint with.
QPalette MakePalette(const SkinDefinition& skin, const QPalette& base) {
    QPalette pal = base;
    const QColor* found = FindName(skin.colors, QStringLiteral("Disabled"));
    const QColor disabled = found ? *found : QColor();
    // Each role with the [Colors] name it takes its colour from.
    static constexpr struct {
        QPalette::ColorRole role;
        const char* name;
    } kRoles[] = {
        {QPalette::Window, "Window"},
        {QPalette::WindowText, "WindowText"},
        {QPalette::Base, "Base"},
        {QPalette::AlternateBase, "AlternateBase"},
        {QPalette::Text, "Text"},
        {QPalette::Button, "Button"},
        {QPalette::ButtonText, "ButtonText"},
        {QPalette::Highlight, "Highlight"},
        {QPalette::HighlightedText, "HighlightedText"},
        {QPalette::ToolTipBase, "Base"},
        {QPalette::ToolTipText, "Text"},
        {QPalette::PlaceholderText, "Disabled"},
        {QPalette::Link, "Highlight"},
    };
    for (const auto& [role, name] : kRoles) {
        const QColor* c = FindName(skin.colors, QString::fromLatin1(name));
        if (!c)
            continue;
        pal.setColor(QPalette::Active, role, *c);
        pal.setColor(QPalette::Inactive, role, *c);
        // Surfaces keep their colour when disabled; what is drawn on them greys.
        const bool surface = role == QPalette::Window || role == QPalette::Base ||
                             role == QPalette::Button || role == QPalette::AlternateBase;
        pal.setColor(QPalette::Disabled, role, surface || !disabled.isValid() ? *c : disabled);
    }
    return pal;
}

bool TakesCaption(const QWidget* w) {
    if (!w->isWindow() || !(w->windowFlags() & Qt::FramelessWindowHint))
        return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Makes room for a caption strip (or gives it back when `dy` is negative): the
// window grows by `dy` and everything in it moves down by as much.
void MoveContentDown(QWidget* window, int dy) {
    if (QLayout* layout = window->layout()) {
        QMargins m = layout->contentsMargins();
        m.setTop(qMax(0, m.top() + dy));
        layout->setContentsMargins(m);
        // Settled now rather than by a later request, so the window changes size once.
        layout->activate();
    } else {
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isWindow())
                child->move(child->x(), child->y() + dy);
    }
    const QSize size(window->width(), qMax(0, window->height() + dy));
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(size);
    else
        window->resize(size);
}

} // namespace

SkinEngine::SkinEngine() = default;

SkinEngine::~SkinEngine() {
    Close();
}

int SkinEngine::SetOption(int option, int value) {
    if (option == 17)
        captionOption = value;
    else if (option == 1)
        windowsOption = value;
    return OSTRELA_S_OK;
}

int SkinEngine::OpenSkinFile(const QString& path) {
    SkinDefinition read;
    loaded = LoadSkinFile(path, &read);
    if (!loaded)
        return OSTRELA_E_FAIL;
    skin = read;
    return OSTRELA_S_OK;
}

int SkinEngine::Activate() {
    if (!loaded || !qApp)
        return OSTRELA_E_FAIL;
    if (active)
        return OSTRELA_S_OK;
    active = true;
    if (windowsOption == 1) {
        savedPalette = QApplication::palette();
        savedFont = QApplication::font();
        savedStyleSheet = qApp->styleSheet();
        QApplication::setPalette(MakePalette(skin, savedPalette));
        QApplication::setFont(skin.defaultFont);
        QString styleSheet = skin.styleSheet;
        // Rules that colour a control's text in every state would make a
        // disabled control look enabled: the skin's disabled colour comes
        // last and, naming a state, outweighs them.
        if (const QColor* disabled = FindName(skin.colors, QStringLiteral("Disabled")))
            styleSheet += QStringLiteral("\n*:disabled { color: %1; }\n").arg(disabled->name());
        qApp->setStyleSheet(styleSheet);
        appStyled = true;
    }
    // Windows are given their caption as they are first shown.
    qApp->installEventFilter(this);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && TakesCaption(w) && captionOption == 0)
            AttachCaption(w);
    return OSTRELA_S_OK;
}

int SkinEngine::AssignElement(qint32 window, const QString& element, qint32) {
    if (!active)
        return OSTRELA_E_FAIL;
    auto* button = qobject_cast<QAbstractButton*>(FindWindowHandle(window));
    const QString name = element.trimmed().toLower();
    if (!button || !skin.elements.contains(name))
        return OSTRELA_DISP_E_TYPEMISMATCH;
    for (const Assigned& a : assigned)
        if (a.button == button)
            return OSTRELA_S_OK;
    Assigned a;
    a.button = button;
    a.element = name;
    a.savedText = button->text();
    assigned.append(a);
    // The label is the button's text as well, for the keyboard and for readers.
    const QString label = skin.elements.value(name).label;
    if (!label.isEmpty())
        button->setText(label);
    button->setAttribute(Qt::WA_Hover);
    button->installEventFilter(this);
    button->update();
    return OSTRELA_S_OK;
}

int SkinEngine::Close() {
    if (qApp)
        qApp->removeEventFilter(this);
    for (const QPointer<CaptionStrip>& strip : std::as_const(strips))
        if (strip)
            DetachCaption(strip);
    strips.clear();
    for (const Assigned& a : std::as_const(assigned))
        if (a.button) {
            a.button->removeEventFilter(this);
            a.button->setText(a.savedText);
            a.button->update();
        }
    assigned.clear();
    for (const Refonted& r : std::as_const(refonted))
        if (r.window) {
            r.window->setFont(r.font);
            r.window->setProperty("skinFont", QVariant());
        }
    refonted.clear();
    if (appStyled && qApp) {
        qApp->setStyleSheet(savedStyleSheet);
        QApplication::setFont(savedFont);
        QApplication::setPalette(savedPalette);
    }
    appStyled = false;
    active = false;
    return OSTRELA_S_OK;
}

void SkinEngine::AttachCaption(QWidget* window) {
    if (window->findChild<CaptionStrip*>(QStringLiteral("skinCaptionStrip"),
                                         Qt::FindDirectChildrenOnly))
        return;
    const int h = skin.caption.height;
    // The strip takes the place a title bar would.
    MoveContentDown(window, h);
    window->move(window->x(), window->y() - h / 2);

    auto* strip = new CaptionStrip(window, skin.caption);
    strip->raise();
    strip->show();
    strips.append(strip);
}

void SkinEngine::DetachCaption(CaptionStrip* strip) {
    QWidget* window = strip->parentWidget();
    const int h = strip->Height();
    delete strip;
    MoveContentDown(window, -h);
}

bool SkinEngine::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Windows built with a font of their own (the dialog templates name one)
    // take the skin's family in the same size, so their measures still hold.
    if (type == QEvent::Polish && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (appStyled && w->isWindow() && !w->property("skinFont").toBool()) {
            w->setProperty("skinFont", true);
            refonted.append({w, w->font()});
            QFont f = w->font();
            f.setFamily(skin.defaultFont.family());
            w->setFont(f);
        }
        return false;
    }
    if (type == QEvent::Show && captionOption == 0 && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // On X11 the strip waits for the window to be mapped (below).
        if (TakesCaption(w) && w->windowHandle() &&
            QGuiApplication::platformName() == QLatin1String("xcb"))
            w->windowHandle()->installEventFilter(this);
        else if (TakesCaption(w))
            AttachCaption(w);
        return false;
    }
    // The strip changes the window's size, which must wait until the window
    // system has mapped and placed it: a change between creating and showing
    // the window leaves some window managers (Openbox) telling the program the
    // window stands at the screen's corner, so its menus and dialogs open there.
    if (type == QEvent::Expose && watched->isWindowType()) {
        auto* handle = static_cast<QWindow*>(watched);
        if (handle->isExposed()) {
            handle->removeEventFilter(this);
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->windowHandle() == handle && w->isVisible() && TakesCaption(w))
                    QMetaObject::invokeMethod(
                        this,
                        [this, window = QPointer<QWidget>(w)] {
                            if (window && window->isVisible() && active)
                                AttachCaption(window);
                        },
                        Qt::QueuedConnection);
        }
        return false;
    }
    if (type != QEvent::Paint && type != QEvent::HoverEnter && type != QEvent::HoverLeave &&
        type != QEvent::Enter && type != QEvent::Leave)
        return false;
    for (Assigned& a : assigned) {
        if (a.button != watched)
            continue;
        if (type == QEvent::Paint) {
            PaintElement(a.button, skin.elements.value(a.element));
            return true;
        }
        const bool hovered = type == QEvent::HoverEnter || type == QEvent::Enter;
        if (a.hovered != hovered) {
            a.hovered = hovered;
            a.button->setProperty("skinHovered", hovered);
            a.button->update();
        }
        return false;
    }
    return false;
}

void SkinEngine::PaintElement(QAbstractButton* button, const SkinElement& e) {
    const bool enabled = button->isEnabled();
    const bool down = button->isDown() || button->isChecked();
    const bool hovered = button->property("skinHovered").toBool();

    QPainter p(button);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(button->rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QPainterPath shape;
    shape.addRoundedRect(r, e.radius, e.radius);

    QColor top = e.face, bottom = e.faceEnd;
    if (!enabled)
        top = bottom = e.disabled;
    else if (down)
        top = bottom = e.pressed;
    else if (hovered)
        top = e.hover, bottom = e.face;
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.fillPath(shape, fill);
    p.setPen(QPen(enabled ? e.border : e.disabled.darker(120), 1.5));
    p.drawPath(shape);
    if (button->hasFocus()) {
        p.setPen(QPen(enabled ? e.text : e.disabledText, 1, Qt::DotLine));
        p.drawRoundedRect(r.adjusted(4, 4, -4, -4), e.radius - 3, e.radius - 3);
    }

    // The glyph above, the label below; pressed, both move by a pixel.
    const QPointF shift = down ? QPointF(1, 1) : QPointF(0, 0);
    p.setFont(e.font);
    const QFontMetrics fm(e.font);
    const QString label = button->text();
    const qreal labelHeight = label.isEmpty() ? 0 : fm.height();
    const qreal room = r.height() - labelHeight - 12;
    if (!e.glyph.isNull() && room > 8) {
        const qreal side = qMin(room, r.width() - 16);
        const QRectF glyph(r.center().x() - side / 2, r.top() + 6, side, side);
        p.setOpacity(enabled ? 1.0 : 0.45);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(glyph.translated(shift), e.glyph);
        p.setOpacity(1.0);
    }
    p.setPen(enabled ? e.text : e.disabledText);
    const QRectF textRect =
        e.glyph.isNull() ? r
                         : QRectF(r.left(), r.bottom() - labelHeight - 6, r.width(), labelHeight);
    p.drawText(textRect.translated(shift), Qt::AlignCenter | Qt::TextShowMnemonic,
               fm.elidedText(label, Qt::ElideRight, int(r.width()) - 6));
}
