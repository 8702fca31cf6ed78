#pragma once
// The skin's caption strip across the top of a title-less window: the window
// text, a minimise and a close button, and a grip that moves the window.

#include "SkinFile.h"

#include <QPoint>
#include <QWidget>

class QToolButton;

class CaptionStrip : public QWidget {
public:
    CaptionStrip(QWidget* window, const SkinCaption& caption);
    ~CaptionStrip() override;

    int Height() const { return caption.height; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    SkinCaption caption;
    QWidget* target;
    QToolButton* minimizeButton;
    QToolButton* closeButton;
    bool dragging = false;
    QPoint dragOffset; // from the window's corner to the grip point
};
