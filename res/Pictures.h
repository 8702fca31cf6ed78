#pragma once
// The program's own pictures, compiled into the widgets library from the
// vector sources in res/pictures.

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The task list's image strip: 19 pictures of 16 x 16 side by side and a spare
// column (305 x 16 in all), on the transparent colour TaskImageTransparent().
QPixmap LoadTaskImageStrip();

inline constexpr int TaskImageSize = 16;
inline constexpr int TaskImageCount = 19;
// The picture every task row shows: a video file.
inline constexpr int TaskImageVideoFile = 2;
// A row's picture after a conversion: its task was done, failed or stopped.
inline constexpr int TaskImageDone = 16;
inline constexpr int TaskImageFailed = 17;
inline constexpr int TaskImageStopped = 18;

inline QColor TaskImageTransparent() {
    return QColor(255, 0, 255);
}

// The application icon at every size it was rendered at (16 to 256 pixels).
QIcon LoadApplicationIcon();
