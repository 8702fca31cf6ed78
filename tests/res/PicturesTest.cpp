#include "platform/ListCtrl.h"
#include "platform/DialogManager.h"
#include "res/Pictures.h"
#include "res/Templates.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

namespace {

constexpr QRgb Magenta = 0xffff00ffu;

// Distinct pictures, transparent corners and spare column; a blended, nearly magenta edge
// would show as a pink fringe once a list cuts the exact colour out.
TEST(TaskImageStripTest, HoldsDistinctPicturesWithoutAPinkFringeThatAListCutsOut) {
    const QImage strip = LoadTaskImageStrip().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(strip.size(), QSize(TaskImageCount * 16 + 1, 16));
    for (int y = 0; y < 16; ++y)
        EXPECT_EQ(strip.pixel(TaskImageCount * 16, y), Magenta) << "spare column, row " << y;
    QSet<QByteArray> seen;
    for (int i = 0; i < TaskImageCount; ++i) {
        const QImage p = strip.copy(i * TaskImageSize, 0, TaskImageSize, TaskImageSize);
        int drawn = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb c = p.pixel(x, y);
                drawn += c != Magenta;
                EXPECT_TRUE(c == Magenta || (255 - qRed(c)) + qGreen(c) + (255 - qBlue(c)) >= 200)
                    << "picture " << i << " pixel " << x << "," << y << " is close to magenta";
            }
        for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
            EXPECT_EQ(p.pixel(corner), Magenta) << "picture " << i;
        EXPECT_GE(drawn, 24) << "picture " << i;
        const QByteArray bytes(reinterpret_cast<const char*>(p.constBits()), p.sizeInBytes());
        EXPECT_FALSE(seen.contains(bytes)) << "picture " << i << " repeats an earlier one";
        seen.insert(bytes);
    }

    CListCtrl list;
    list.InsertColumn(0, QStringLiteral("Title"), Qt::AlignLeft, 135);
    list.SetImageList(LoadTaskImageStrip(), TaskImageSize, TaskImageTransparent());
    ASSERT_EQ(list.GetImageCount(), TaskImageCount);
    const QImage shown = list.GetImage(TaskImageVideoFile)
                             .pixmap(16, 16)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    const QImage source = strip.copy(TaskImageVideoFile * 16, 0, 16, 16);
    ASSERT_EQ(shown.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb s = source.pixel(x, y);
            const QRgb c = shown.pixel(x, y);
            EXPECT_TRUE(s == Magenta ? qAlpha(c) == 0 : c == s) << x << "," << y;
        }
}

void ExpectTransparentRimAndOpaqueCentre(const QImage& image, int size) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(argb.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0) << size;
    EXPECT_EQ(qAlpha(argb.pixel(size - 1, size - 1)), 0) << size;
    EXPECT_EQ(qAlpha(argb.pixel(size / 2, size / 2)), 255) << size;
}

// Each size is drawn from the vector source for itself, not scaled from another.
TEST(ApplicationIconTest, EverySizeIsRenderedAndTheAboutBoxShowsIt) {
    const QIcon icon = LoadApplicationIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
        ExpectTransparentRimAndOpaqueCentre(
            QImage(QStringLiteral(":/res/ostrela-%1.png").arg(size)), size);
    }
    QDialog dialog;
    BuildDialog(&dialog, AboutBoxTemplate());
    int icons = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->pixmap().isNull()) {
            ++icons;
            ExpectTransparentRimAndOpaqueCentre(label->pixmap().toImage(), 32);
        }
    EXPECT_EQ(icons, 1);
}

} // namespace
