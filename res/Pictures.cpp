#include "res/Pictures.h"

#include <QString>

QPixmap LoadTaskImageStrip() {
    return QPixmap(QStringLiteral(":/res/taskimages.png"));
}

QIcon LoadApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/ostrela-%1.png").arg(size), QSize(size, size));
    return icon;
}
