#include "ui/MyHyperLink.h"

#include "platform/Shell.h"

#include <QMouseEvent>

CMyHyperLink::CMyHyperLink(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // Only the underline is set on the label; family and size keep following the dialog.
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    setCursor(Qt::PointingHandCursor);
    // Moves must arrive without a button held, to notice the mouse coming in.
    setMouseTracking(true);
    // The dialog's background shows through.
    setAutoFillBackground(false);
    ApplyColor();
}

CMyHyperLink::~CMyHyperLink() {
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

QColor CMyHyperLink::TextColor() const {
    if (visited)
        return visitedColor;
    return hovering ? hoverColor : normalColor;
}

void CMyHyperLink::ApplyColor() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, TextColor());
    setPalette(p);
}

void CMyHyperLink::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (!hovering) {
        hovering = true;
        ApplyColor();
        repaint();
        // Moves outside the label still arrive, so leaving it is noticed.
        grabMouse();
        return;
    }
    if (rect().contains(event->position().toPoint()))
        return;
    hovering = false;
    releaseMouse();
    ApplyColor();
    repaint();
}

void CMyHyperLink::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    pressed = event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
}

void CMyHyperLink::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click already came as a press: the click
    // it ends is the first one's, which opened the page.
    QLabel::mouseDoubleClickEvent(event);
    pressed = false;
}

void CMyHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    const bool click = pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed = false;
    if (click)
        OnClicked();
}

void CMyHyperLink::hideEvent(QHideEvent* event) {
    // A hidden label gets no more moves; it must not keep the mouse.
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    if (hovering) {
        hovering = false;
        ApplyColor();
    }
    QLabel::hideEvent(event);
}

void CMyHyperLink::OnClicked() {
    // Failures show nothing; the link counts as visited either way.
    ShellExecute(nullptr, QStringLiteral("open"), url, QString(), QString(), SW_SHOWMINIMIZED);
    visited = true;
    ApplyColor();
    update();
}
