#include "compose/ImageTransforms.h"

#include <gtest/gtest.h>

#include <QTransform>

namespace qv
{
namespace
{

// A 3 × 2 picture whose every pixel is different, so that any turn or mirror shows.
QImage Asymmetric()
{
    QImage image(3, 2, QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, qRgba(10 * x + 1, 50 * y + 2, 7 * (x + y) + 3, 255));
    return image;
}

// The meaning of the record, written out independently: mirror left-right (reverse) and
// top-bottom (flip) first, then turn clockwise by the angle, one quarter at a time.
QImage MirrorThenTurn(const QImage& image, bool bFlip, bool bReverse, int nAngle)
{
    QImage result = image.mirrored(bReverse, bFlip);
    for (int nTurn = 0; nTurn < nAngle / 90; ++nTurn)
    {
        QImage turned(result.height(), result.width(), QImage::Format_ARGB32);
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                turned.setPixel(result.height() - 1 - y, x, result.pixel(x, y));
        result = turned;
    }
    return result;
}

TEST(ImageTransformsTest, RotateFlipTableMirrorsFirstThenTurnsClockwise)
{
    const QImage source = Asymmetric();
    for (int nFlip = 0; nFlip < 2; ++nFlip)
        for (int nReverse = 0; nReverse < 2; ++nReverse)
            for (int nAngle : {0, 90, 180, 270})
            {
                QImage image = source;
                RotateFlipImage(&image, nFlip, nReverse, nAngle);
                const QImage expected = MirrorThenTurn(source, nFlip, nReverse, nAngle);
                EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), expected)
                    << "flip " << nFlip << " reverse " << nReverse << " angle " << nAngle;
            }
}

TEST(ImageTransformsTest, TableNamesTheOperationsOfEachRecord)
{
    ERotateFlip e = ERotateFlip::RotateNoneFlipNone;
    EXPECT_FALSE(RotateFlipFor(0, 0, 0, &e));
    ASSERT_TRUE(RotateFlipFor(0, 1, 90, &e));
    EXPECT_EQ(e, ERotateFlip::Rotate270FlipX);
    ASSERT_TRUE(RotateFlipFor(1, 0, 0, &e));
    EXPECT_EQ(e, ERotateFlip::Rotate180FlipX);
    ASSERT_TRUE(RotateFlipFor(1, 1, 180, &e));
    EXPECT_EQ(e, ERotateFlip::RotateNoneFlipNone);
    ASSERT_TRUE(RotateFlipFor(1, 1, 270, &e));
    EXPECT_EQ(e, ERotateFlip::Rotate90FlipNone);
}

TEST(ImageTransformsTest, OtherAnglesLeaveTheImageUntouchedMirrorsIncluded)
{
    const QImage source = Asymmetric();
    for (int nAngle : {45, -90, 360, 91})
    {
        QImage image = source;
        RotateFlipImage(&image, 1, 1, nAngle);
        EXPECT_EQ(image, source) << nAngle;
        EXPECT_FALSE(RotateFlipFor(1, 0, nAngle, nullptr));
    }
    RotateFlipImage(nullptr, 1, 0, 90); // no image: nothing happens
}

TEST(ImageTransformsTest, FitRectCentresAlongTheShorterSide)
{
    tagQVRect rect{0, 0, 640, 480};
    FitRect(&rect, 100, 50, 640, 480); // wide picture: full width, centred vertically
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 80);
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.bottom, 400);

    rect = {0, 0, 640, 480};
    FitRect(&rect, 30, 70, 640, 480); // tall picture: full height; 30 × 480 ÷ 70 = 205
    EXPECT_EQ(rect.left, (640 - 205) / 2);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, (640 - 205) / 2 + 205);
    EXPECT_EQ(rect.bottom, 480);

    rect = {1, 2, 3, 4};
    FitRect(&rect, 320, 240, 640, 480); // same aspect: left as given
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 4);
    FitRect(&rect, 0, 240, 640, 480); // no picture size: left as given
    EXPECT_EQ(rect.right, 3);
}

TEST(ImageTransformsTest, VideoKeyMakesPixelsInsideTheBoundsTransparent)
{
    tagQVVideoKeyData key;
    key.VideoKeyColor = 0x00FF00; // pure green (red in the low byte)
    key.VideoKeyErrorDel = 20;
    ComputeKeyBounds(&key);
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(0, 255, 0));   // the key colour
    image.setPixel(1, 0, qRgb(20, 235, 15)); // at the bounds
    image.setPixel(2, 0, qRgb(21, 255, 0));  // red one past the bound
    image.setPixel(3, 0, qRgb(200, 10, 30));
    ApplyVideoKey(&image, key);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(image.pixel(2, 0), qRgba(21, 255, 0, 255));
    EXPECT_EQ(image.pixel(3, 0), qRgba(200, 10, 30, 255));
}

} // namespace
} // namespace qv
