#include "platform/ListCtrl.h"
#include "res/DialogTemplate.h"
#include "res/Pictures.h"
#include "res/Templates.h"

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

namespace {

constexpr QRgb Magenta = 0xffff00ffu;

// Manhattan distance of a pixel's colour from the transparent colour.
int DistanceFromMagenta(QRgb c) {
    return (255 - qRed(c)) + qGreen(c) + (255 - qBlue(c));
}

class TaskImageStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        strip = LoadTaskImageStrip().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(strip.isNull());
    }
    QImage Picture(int index) const {
        return strip.copy(index * TaskImageSize, 0, TaskImageSize, TaskImageSize);
    }
    QImage strip;
};

TEST_F(TaskImageStripTest, HasSixteenPicturesAndTheSpareColumn) {
    EXPECT_EQ(strip.width(), 257);
    EXPECT_EQ(strip.height(), 16);
    EXPECT_EQ(strip.width() / TaskImageSize, TaskImageCount);
    EXPECT_EQ(TaskImageTransparent().rgb(), Magenta);
}

TEST_F(TaskImageStripTest, SpareColumnAndEveryPictureCornerAreTransparent) {
    for (int y = 0; y < strip.height(); ++y)
        EXPECT_EQ(strip.pixel(256, y), Magenta) << "spare column, row " << y;
    for (int i = 0; i < TaskImageCount; ++i) {
        const QImage p = Picture(i);
        for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
            EXPECT_EQ(p.pixel(corner), Magenta)
                << "picture " << i << " corner " << corner.x() << "," << corner.y();
    }
}

// A blended edge would be nearly magenta and show as a pink fringe once the
// exact colour is cut out.
TEST_F(TaskImageStripTest, NoPixelBlendsIntoTheTransparentColour) {
    int fringe = 0;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) {
            const QRgb c = strip.pixel(x, y);
            if (c != Magenta && DistanceFromMagenta(c) < 200) {
                ++fringe;
                ADD_FAILURE() << "pixel " << x << "," << y << " is close to magenta: " << std::hex
                              << c;
            }
        }
    EXPECT_EQ(fringe, 0);
}

TEST_F(TaskImageStripTest, EveryPictureIsDrawnAndNoTwoAreAlike) {
    QSet<QByteArray> seen;
    for (int i = 0; i < TaskImageCount; ++i) {
        const QImage p = Picture(i);
        int drawn = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                drawn += p.pixel(x, y) != Magenta;
        EXPECT_GE(drawn, 24) << "picture " << i;
        const QByteArray bytes(reinterpret_cast<const char*>(p.constBits()), p.sizeInBytes());
        EXPECT_FALSE(seen.contains(bytes)) << "picture " << i << " repeats an earlier one";
        seen.insert(bytes);
    }
}

TEST_F(TaskImageStripTest, ListShowsTheVideoPictureWithItsBackgroundCutOut) {
    CListCtrl list;
    list.InsertColumn(0, QStringLiteral("Title"), Qt::AlignLeft, 135);
    list.SetImageList(LoadTaskImageStrip(), TaskImageSize, TaskImageTransparent());
    ASSERT_EQ(list.GetImageCount(), TaskImageCount);

    const QImage shown = list.GetImage(TaskImageVideoFile)
                             .pixmap(16, 16)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), QSize(16, 16));
    const QImage source = Picture(TaskImageVideoFile);
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb s = source.pixel(x, y);
            const QRgb c = shown.pixel(x, y);
            if (s == Magenta) {
                EXPECT_EQ(qAlpha(c), 0) << x << "," << y;
            } else {
                EXPECT_EQ(qAlpha(c), 255) << x << "," << y;
                EXPECT_EQ(c & 0xffffffu, s & 0xffffffu) << x << "," << y;
                ++opaque;
            }
        }
    EXPECT_GE(opaque, 60);
}

class ApplicationIconTest : public ::testing::Test {
protected:
    static void ExpectTransparentRimAndOpaqueCentre(const QImage& image) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const int w = argb.width();
        const int h = argb.height();
        EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(argb.pixel(w - 1, h - 1)), 0);
        EXPECT_EQ(qAlpha(argb.pixel(w / 2, h / 2)), 255);
    }
};

TEST_F(ApplicationIconTest, LoadsAt32Pixels) {
    const QIcon icon = LoadApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    const QPixmap pixmap = icon.pixmap(32, 32);
    ASSERT_EQ(pixmap.size(), QSize(32, 32));
    ExpectTransparentRimAndOpaqueCentre(pixmap.toImage());
}

TEST_F(ApplicationIconTest, EverySizeIsRenderedForItself) {
    const QList<QSize> available = LoadApplicationIcon().availableSizes();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(available.contains(QSize(size, size))) << size;
        const QImage image(QStringLiteral(":/res/ostrela-%1.png").arg(size));
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        ExpectTransparentRimAndOpaqueCentre(image);
    }
}

TEST_F(ApplicationIconTest, AboutBoxShowsTheIcon) {
    QDialog dialog;
    BuildDialog(&dialog, AboutBoxTemplate());
    int icons = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        const QPixmap pixmap = label->pixmap();
        if (pixmap.isNull())
            continue;
        ++icons;
        EXPECT_EQ(pixmap.size(), QSize(32, 32));
        ExpectTransparentRimAndOpaqueCentre(pixmap.toImage());
    }
    EXPECT_EQ(icons, 1);
}

} // namespace
