// A colour-adjustment set as a whole: the order of its effects, the mosaic's reference
// size, and the variant for upright pictures.
#include "compose/ColorAdjustment.h"
#include "compose/NeighbourhoodEffects.h"
#include "compose/PixelEffects.h"
#include "tests/compose/EffectPixels.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

namespace qv
{
namespace
{

using test::CQVPixels;
using test::tagQVBgra;

// Every channel and pixel different.
CQVPixels Varied(int nWidth, int nHeight)
{
    CQVPixels p(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            p.Put(x, y,
                  {uint8_t(x * 37 + y * 11), uint8_t(x * 13 + y * 53), uint8_t(200 - x * 7 - y * 5),
                   uint8_t(x + y)});
    return p;
}

TEST(ColorAdjustmentTest, SwitchesOffChangeNothing)
{
    tagQVColorAdjustment a; // the defaults: every switch off
    a.nBrightness = 50;
    a.nContrast = -100;
    a.nRedLevels = 0;
    a.nJitter = 40;
    a.nMasaicTileSize = 3;
    CQVPixels p = Varied(7, 5);
    const std::vector<uint8_t> before = p.Bytes();
    ApplyColorAdjustment(a, p.Data(), 7, 5);
    EXPECT_EQ(p.Bytes(), before);
}

TEST(ColorAdjustmentTest, EffectsRunInTheirFixedOrder)
{
    // Levels before grey: pure red loses its red first and turns black; grey first would
    // give 76 in blue and green.
    tagQVColorAdjustment a;
    a.bEnableGrayScale = 1;
    a.bEnableLevels = 1;
    a.nRedLevels = 0;
    CQVPixels red(1, 1, {0, 0, 255, 255});
    ApplyColorAdjustment(a, red.Data(), 1, 1);
    EXPECT_EQ(red.At(0, 0), (tagQVBgra{0, 0, 0, 255}));

    // Brightness before levels: 0 + 100 = 100, then × 128 ÷ 255 = 50.
    tagQVColorAdjustment b;
    b.bEnableLevels = 1;
    b.nBlueLevels = 128;
    b.bEnableBrightnessAndContrast = 1;
    b.nBrightness = 100;
    CQVPixels black(1, 1, {0, 0, 0, 255});
    ApplyColorAdjustment(b, black.Data(), 1, 1);
    EXPECT_EQ(black.At(0, 0).b, 50);
    EXPECT_EQ(black.At(0, 0).g, 100);
}

TEST(ColorAdjustmentTest, EverythingOnEqualsTheChainOfSingleEffects)
{
    tagQVColorAdjustment a;
    a.bEnableBrightnessAndContrast = 1;
    a.nBrightness = 12;
    a.nContrast = 30;
    a.bEnableLevels = 1;
    a.nGreenLevels = 180;
    a.bEnableColorize = 1;
    a.nColorizeHue = 40;
    a.nColorizeSaturation = 90;
    a.dColorizeBlend = 0.4;
    a.bEnableSaturate = 1;
    a.nSaturate = 25;
    a.bEnableJitter = 1;
    a.nJitter = 3;
    a.bEnableGrayScale = 1;
    a.bEnableSoften = 1;
    a.bEnableSharpen = 1;
    a.bEnableBlur = 1;
    a.bEnableEdgeDetection = 1;
    a.bEnableMasaic = 1;
    a.nMasaicTileSize = 3;
    a.nMasaicX = 2;
    a.nMasaicY = 1;
    a.nMasaicW = 9;
    a.nMasaicH = 6;
    const int w = 16, h = 9;
    CQVPixels chained = Varied(w, h);
    uint8_t* p = chained.Data();
    std::srand(99);
    AdjustBrightnessContrast(p, w, h, 12, 30);
    AdjustLevels(p, w, h, 255, 180, 255);
    Colorize(p, w, h, 40, 90, 0.4);
    Saturate(p, w, h, 25);
    Jitter(p, w, h, 3);
    GrayScale(p, w, h);
    Soften(p, w, h);
    Sharpen(p, w, h);
    Blur(p, w, h);
    DetectEdges(p, w, h);
    Mosaic(p, w, h, 3, 2, 1, 9, 6);

    CQVPixels applied = Varied(w, h);
    std::srand(99);
    ApplyColorAdjustment(a, applied.Data(), w, h);
    EXPECT_EQ(applied.Bytes(), chained.Bytes());
}

TEST(ColorAdjustmentTest, MosaicIsInFramePixelsUnlessAReferenceIsSet)
{
    tagQVColorAdjustment a;
    a.nMasaicTileSize = 10;
    a.nMasaicX = 5;
    a.nMasaicY = 7;
    a.nMasaicW = 100;
    a.nMasaicH = 50;
    tagQVMosaicArea area = ScaleMosaic(a, 640, 480);
    EXPECT_EQ(area.nTile, 10);
    EXPECT_EQ(area.x, 5);
    EXPECT_EQ(area.y, 7);
    EXPECT_EQ(area.nWidth, 100);
    EXPECT_EQ(area.nHeight, 50);

    // Set on a 320 × 160 picture, applied to 640 × 480: x × 2, y × 3, tile × 2.5.
    a.nReferenceWidth = 320;
    a.nReferenceHeight = 160;
    area = ScaleMosaic(a, 640, 480);
    EXPECT_EQ(area.nTile, 25);
    EXPECT_EQ(area.x, 10);
    EXPECT_EQ(area.y, 21);
    EXPECT_EQ(area.nWidth, 200);
    EXPECT_EQ(area.nHeight, 150);

    // Stored values beyond what the scaling can carry are held to the 32-bit range.
    a.nMasaicW = INT32_MAX;
    a.nReferenceWidth = 1;
    area = ScaleMosaic(a, 640, 480);
    EXPECT_EQ(area.nWidth, INT32_MAX);
}

TEST(ColorAdjustmentTest, StoredMosaicRectangleLandsWhereItWasSetOnTheFrame)
{
    // A frame of 8 × 6, rectangle (2, 1, 4, 2) from the top with tile 2: upright rows 1 and
    // 2 are memory rows 4 and 3; every other pixel stays.
    tagQVColorAdjustment a;
    a.bEnableMasaic = 1;
    a.nMasaicTileSize = 2;
    a.nMasaicX = 2;
    a.nMasaicY = 1;
    a.nMasaicW = 4;
    a.nMasaicH = 2;
    CQVPixels before = Varied(8, 6);
    CQVPixels p = Varied(8, 6);
    ApplyColorAdjustment(a, p.Data(), 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const bool bInside = x >= 2 && x < 6 && (y == 3 || y == 4);
            if (!bInside)
            {
                EXPECT_EQ(p.At(x, y), before.At(x, y)) << x << "," << y;
            }
        }
    // Memory rows 3..4: row 3 → 3, row 4 → ((4 − 3 + 1) ÷ 2) × 2 + 3 = 5 (the row above).
    EXPECT_EQ(p.At(3, 3).b, before.At(2, 3).b);
    EXPECT_EQ(p.At(5, 4).b, before.At(4, 5).b);
}

TEST(ColorAdjustmentTest, UprightPicturesGetTheSameArithmetic)
{
    tagQVColorAdjustment a;
    a.bEnableBrightnessAndContrast = 1;
    a.nContrast = 40;
    a.bEnableColorize = 1;
    a.nColorizeHue = 200;
    a.nColorizeSaturation = 120;
    a.dColorizeBlend = 0.7;
    a.bEnableSharpen = 1;
    const int w = 9, h = 4;
    CQVPixels p = Varied(w, h);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), p.Bytes().data() + y * w * 4, size_t(w) * 4);
    ApplyColorAdjustment(a, p.Data(), w, h);
    ApplyColorAdjustment(a, &image);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        EXPECT_EQ(std::memcmp(image.constScanLine(y), p.Bytes().data() + y * w * 4, size_t(w) * 4),
                  0)
            << y;
}

TEST(ColorAdjustmentTest, UprightPicturesKeepTheirFormatAndCountMosaicRowsFromTheTop)
{
    QImage image(6, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgb(x * 40, y * 40, 7));
    tagQVColorAdjustment a;
    a.bEnableMasaic = 1;
    a.nMasaicTileSize = 2;
    a.nMasaicX = 0;
    a.nMasaicY = 0;
    a.nMasaicW = 2;
    a.nMasaicH = 2;
    const QImage before = image;
    ApplyColorAdjustment(a, &image);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    // The top-left 2 × 2 square; row 1 takes row ((1 + 1) ÷ 2) × 2 = 2.
    EXPECT_EQ(image.pixel(1, 0), before.pixel(0, 0));
    EXPECT_EQ(image.pixel(1, 1), before.pixel(0, 2));
    for (int y = 2; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(image.pixel(x, y), before.pixel(x, y));

    QImage null;
    ApplyColorAdjustment(a, &null);
    EXPECT_TRUE(null.isNull());
    ApplyColorAdjustment(a, static_cast<QImage*>(nullptr));
}

} // namespace
} // namespace qv
