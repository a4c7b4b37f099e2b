// The per-pixel colour effects, on small hand-worked pictures.
#include "compose/ColorSpace.h"
#include "compose/PixelEffects.h"
#include "tests/compose/EffectPixels.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

using test::CQVPixels;
using test::tagQVBgra;

TEST(PixelEffectsTest, ContrastMinus100MakesEveryChannel128)
{
    CQVPixels p = CQVPixels::Grey(4, 1, {0, 1, 200, 255});
    p.Put(1, 0, {10, 99, 250, 7});
    AdjustBrightnessContrast(p.Data(), 4, 1, 0, -100);
    for (int x = 0; x < 4; ++x)
    {
        EXPECT_EQ(p.At(x, 0).b, 128);
        EXPECT_EQ(p.At(x, 0).g, 128);
        EXPECT_EQ(p.At(x, 0).r, 128);
    }
    EXPECT_EQ(p.At(1, 0).a, 7); // alpha stays
}

TEST(PixelEffectsTest, BrightnessAndContrastTable)
{
    // f = 1.5, g = 128: (v − 128) × 1.5 + 128.5 truncated, kept within 0..255.
    CQVPixels p = CQVPixels::Grey(5, 1, {0, 100, 128, 200, 255});
    AdjustBrightnessContrast(p.Data(), 5, 1, 0, 50);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 86, 128, 236, 255}));
    // f = 0.5: 0 → 64.5, 1 → 65, 255 → 192.
    p = CQVPixels::Grey(3, 1, {0, 1, 255});
    AdjustBrightnessContrast(p.Data(), 3, 1, 0, -50);
    EXPECT_EQ(p.Levels(), (std::vector<int>{64, 65, 192}));
    // Brightness alone shifts and clips.
    p = CQVPixels::Grey(3, 1, {0, 100, 250});
    AdjustBrightnessContrast(p.Data(), 3, 1, 10, 0);
    EXPECT_EQ(p.Levels(), (std::vector<int>{10, 110, 255}));
    p = CQVPixels::Grey(2, 1, {0, 255});
    AdjustBrightnessContrast(p.Data(), 2, 1, -300, 0);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 0}));
    // Stored values at the ends of the 32-bit range do not overflow.
    p = CQVPixels::Grey(2, 1, {0, 255});
    AdjustBrightnessContrast(p.Data(), 2, 1, INT32_MAX, INT32_MAX);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 255}));
}

TEST(PixelEffectsTest, LevelsScaleEachChannelByItsLowByte)
{
    CQVPixels p(2, 1, {200, 200, 200, 9});
    AdjustLevels(p.Data(), 2, 1, 256, 128, 255);
    // Red 256 is taken as 0; green 200 × 128 ÷ 255 = 100.4; blue unchanged.
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{200, 100, 0, 9}));
    EXPECT_EQ(p.At(1, 0), (tagQVBgra{200, 100, 0, 9}));
    // −1 has the low byte 255: nothing changes.
    CQVPixels q(1, 1, {1, 2, 3, 4});
    AdjustLevels(q.Data(), 1, 1, -1, -1, -1);
    EXPECT_EQ(q.At(0, 0), (tagQVBgra{1, 2, 3, 4}));
}

TEST(PixelEffectsTest, GreyOfPureRedIs76)
{
    CQVPixels p(2, 1, {0, 0, 255, 255});
    p.Put(1, 0, {10, 20, 30, 40});
    GrayScale(p.Data(), 2, 1);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{76, 76, 76, 255}));
    // (10 × 117 + 30 × 306 + 20 × 601) >> 10 = 22370 >> 10.
    EXPECT_EQ(p.At(1, 0), (tagQVBgra{21, 21, 21, 40}));
}

TEST(PixelEffectsTest, ColorizeBlendPicksItsBranchInSinglePrecision)
{
    EXPECT_EQ(ColorizeWeight(0.9995), -1);
    EXPECT_EQ(ColorizeWeight(0.999), -1);
    EXPECT_EQ(ColorizeWeight(0.998), 255);
    EXPECT_EQ(ColorizeWeight(0.5), 128);
    EXPECT_EQ(ColorizeWeight(7.0), -1); // held to 1
    EXPECT_EQ(ColorizeWeight(-3.0), 0);
}

TEST(PixelEffectsTest, FullColorizeKeepsTheLightnessOfTheHls)
{
    // (r 200, g 100, b 50) has HLS lightness 125; with hue 0 and saturation 100:
    // m2 = 0.682430, m1 = 0.297962.
    CQVPixels p(1, 1, {50, 100, 200, 33});
    Colorize(p.Data(), 1, 1, 0, 100, 0.9995);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{75, 75, 174, 33}));
}

TEST(PixelEffectsTest, FullColorizeOfManyColoursFollowsTheHlsRoundTrip)
{
    // Pixel by pixel from the definition: HLS, hue and saturation replaced, back to RGB.
    CQVPixels p(64, 64);
    for (int i = 0; i < 64 * 64; ++i)
        p.Put(i % 64, i / 64,
              {uint8_t(i * 7), uint8_t(i * 13 + 5), uint8_t(i * 31 / 3), uint8_t(i)});
    CQVPixels expected = p;
    Colorize(p.Data(), 64, 64, 77, 201, 1.0);
    for (int i = 0; i < 64 * 64; ++i)
    {
        const tagQVBgra in = expected.At(i % 64, i / 64);
        const uint32_t hls = RgbToHls(uint32_t(in.r) << 16 | uint32_t(in.g) << 8 | in.b);
        const uint32_t rgb = HlsToRgb(HlsValue(HlsLightness(hls), 201, 77));
        ASSERT_EQ(p.At(i % 64, i / 64),
                  (tagQVBgra{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), in.a}))
            << i;
    }
}

TEST(PixelEffectsTest, BlendedColorizeTakesTheWeightedGreyAsLightness)
{
    // Grey y = (100 × 601 + 200 × 306 + 50 × 117) >> 10 = 124; HLS (124, 100, 0) is
    // (r 172, g 75, b 75). Blend w = 255: (c × 255 + old) >> 8.
    CQVPixels p(1, 1, {50, 100, 200, 33});
    Colorize(p.Data(), 1, 1, 0, 100, 0.998);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{74, 75, 172, 33}));
    // w = 128: halfway, truncated.
    CQVPixels q(1, 1, {50, 100, 200, 33});
    Colorize(q.Data(), 1, 1, 256, 356, 0.5); // only the low bytes count: hue 0, sat 100
    EXPECT_EQ(q.At(0, 0), (tagQVBgra{62, 87, 186, 33}));
    // Blend 0 leaves the picture.
    CQVPixels r(1, 1, {50, 100, 200, 33});
    Colorize(r.Data(), 1, 1, 0, 100, 0.0);
    EXPECT_EQ(r.At(0, 0), (tagQVBgra{50, 100, 200, 33}));
}

TEST(PixelEffectsTest, SaturateMovesTheHlsSaturation)
{
    // HLS (125, 153, 14) + 50 → (125, 203, 14).
    CQVPixels p(1, 1, {50, 100, 200, 1});
    Saturate(p.Data(), 1, 1, 50);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{25, 91, 224, 1}));
    // Down to 0 is the grey of the HLS lightness.
    CQVPixels q(1, 1, {50, 100, 200, 1});
    Saturate(q.Data(), 1, 1, -1000);
    EXPECT_EQ(q.At(0, 0), (tagQVBgra{125, 125, 125, 1}));
    // A grey has hue 170: saturating it tints it blue.
    CQVPixels g(1, 1, {128, 128, 128, 1});
    Saturate(g.Data(), 1, 1, 100);
    EXPECT_GT(g.At(0, 0).b, g.At(0, 0).r);
    EXPECT_EQ(g.At(0, 0).r, g.At(0, 0).g);
}

TEST(PixelEffectsTest, NullOrEmptyPicturesAreLeftAlone)
{
    CQVPixels p(1, 1, {1, 2, 3, 4});
    AdjustBrightnessContrast(nullptr, 1, 1, 5, 5);
    AdjustBrightnessContrast(p.Data(), 0, 1, 50, 50);
    AdjustLevels(p.Data(), 1, -1, 0, 0, 0);
    Colorize(p.Data(), -5, 1, 0, 0, 1.0);
    Saturate(p.Data(), 1, 0, 10);
    GrayScale(nullptr, 1, 1);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{1, 2, 3, 4}));
}

} // namespace
} // namespace qv
