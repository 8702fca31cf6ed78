#include "CaptionStrip.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QWindow>

namespace {

enum class Glyph { Minimize, Close };

QIcon MakeGlyph(Glyph glyph, const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    if (glyph == Glyph::Minimize) {
        p.drawLine(9, 22, 23, 22);
    } else {
        p.drawLine(10, 10, 22, 22);
        p.drawLine(22, 10, 10, 22);
    }
    return QIcon(pixmap);
}

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& tip, const QIcon& icon,
                        int size) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setIcon(icon);
    button->setIconSize(QSize(size * 2 / 3, size * 2 / 3));
    button->setFixedSize(size + size / 2, size);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

} // namespace

CaptionStrip::CaptionStrip(QWidget* window, const SkinCaption& look)
    : QWidget(window), caption(look), target(window) {
    setObjectName(QStringLiteral("skinCaptionStrip"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    const int h = caption.height;
    minimizeButton = MakeButton(this, "skinMinimizeButton", QStringLiteral("Minimise"),
                                MakeGlyph(Glyph::Minimize, caption.text), h);
    closeButton = MakeButton(this, "skinCloseButton", QStringLiteral("Close"),
                             MakeGlyph(Glyph::Close, caption.text), h);
    // Flat buttons that light up under the pointer, red for closing.
    const QString rule = QStringLiteral("QToolButton { border: none; background: transparent; }"
                                        "QToolButton:hover { background: %1; }"
                                        "QToolButton#skinCloseButton:hover { background: %2; }");
    setStyleSheet(rule.arg(caption.buttonHover.name(), caption.closeHover.name()));
    connect(minimizeButton, &QToolButton::clicked, this, [this] { target->showMinimized(); });
    connect(closeButton, &QToolButton::clicked, this, [this] { target->close(); });
    target->installEventFilter(this);
    Place();
}

CaptionStrip::~CaptionStrip() {
    target->removeEventFilter(this);
}

void CaptionStrip::Place() {
    setGeometry(0, 0, target->width(), caption.height);
    closeButton->move(width() - closeButton->width(), 0);
    minimizeButton->move(closeButton->x() - minimizeButton->width(), 0);
}

bool CaptionStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target) {
        if (event->type() == QEvent::Resize)
            Place();
        else if (event->type() == QEvent::WindowTitleChange)
            update();
    }
    return false;
}

void CaptionStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient fill(0, 0, width(), 0);
    fill.setColorAt(0, caption.background);
    fill.setColorAt(1, caption.backgroundEnd);
    p.fillRect(rect(), fill);

    int x = 8;
    if (!caption.logo.isNull()) {
        const int side = caption.height - 8;
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(x, 4, side, side), caption.logo);
        x += side + 6;
    }
    p.setPen(caption.text);
    p.setFont(caption.font);
    const QRect textRect(x, 0, minimizeButton->x() - x - 4, caption.height);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(target->windowTitle(), Qt::ElideRight, textRect.width()));
}

void CaptionStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    // The window system moves the window where it can; elsewhere we follow the
    // pointer ourselves.
    QWindow* handle = target->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    dragging = true;
    dragOffset = event->globalPosition().toPoint() - target->frameGeometry().topLeft();
}

void CaptionStrip::mouseMoveEvent(QMouseEvent* event) {
    if (dragging && (event->buttons() & Qt::LeftButton))
        target->move(event->globalPosition().toPoint() - dragOffset);
}

void CaptionStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging = false;
}
