// HLS conversion: the integer forward form and the single-precision way back.
#include "compose/ColorSpace.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

uint32_t Rgb(int r, int g, int b)
{
    return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

TEST(ColorSpaceTest, GreysHaveNoSaturationAndTheBlueHue)
{
    EXPECT_EQ(RgbToHls(Rgb(128, 128, 128)), HlsValue(128, 0, 170));
    EXPECT_EQ(RgbToHls(Rgb(0, 0, 0)), HlsValue(0, 0, 170));
    EXPECT_EQ(RgbToHls(Rgb(255, 255, 255)), HlsValue(255, 0, 170));
    // Alpha plays no part.
    EXPECT_EQ(RgbToHls(0xFF000000u | Rgb(128, 128, 128)), HlsValue(128, 0, 170));
}

TEST(ColorSpaceTest, PrimariesSitAtThirdsOfTheTurn)
{
    EXPECT_EQ(RgbToHls(Rgb(255, 0, 0)), HlsValue(128, 255, 0));
    EXPECT_EQ(RgbToHls(Rgb(0, 255, 0)), HlsValue(128, 255, 85));
    EXPECT_EQ(RgbToHls(Rgb(0, 0, 255)), HlsValue(128, 255, 170));
}

TEST(ColorSpaceTest, HandWorkedColoursIncludingAHueBelowZero)
{
    // mx 200, mn 50: L = 251 × 255 ÷ 510 = 125; q = 250; S = (125 + 150 × 255) ÷ 250 = 153;
    // gd = 4275 ÷ 150 = 28, bd = 6375 ÷ 150 = 42; hue = bd − gd.
    EXPECT_EQ(RgbToHls(Rgb(200, 100, 50)), HlsValue(125, 153, 14));
    // Green and blue swapped: hue 28 − 42 wraps to 242.
    EXPECT_EQ(RgbToHls(Rgb(200, 50, 100)), HlsValue(125, 153, 242));
    // Light colour (L above 127): q = 510 − mx − mn.
    // mx 250, mn 150: L = 401 × 255 ÷ 510 = 200; q = 110; S = (55 + 100 × 255) ÷ 110 = 232;
    // green largest: rd = (50 × 42 + 50) ÷ 100 = 21, bd = (100 × 42 + 50) ÷ 100 = 42,
    // hue = 85 + 21 − 42 = 64.
    EXPECT_EQ(RgbToHls(Rgb(200, 250, 150)), HlsValue(200, 232, 64));
}

TEST(ColorSpaceTest, BackToRgbByTheTwoLevelRamp)
{
    // L 100, S 100: m2 = l (1 + s) = 0.545944, m1 = 0.238370.
    EXPECT_EQ(HlsToRgb(HlsValue(100, 100, 0)), Rgb(139, 60, 60));
    // Hue 43 is 60.7°: green on the plateau, red on the falling ramp.
    EXPECT_EQ(HlsToRgb(HlsValue(100, 100, 43)), Rgb(138, 139, 60));
    // L 200 (above one half): m2 = l + s − l s = 0.892580, m1 = 0.676047; hue 180.7°.
    EXPECT_EQ(HlsToRgb(HlsValue(200, 128, 128)), Rgb(172, 226, 227));
    // Saturation 0 is grey at the lightness, whatever the hue; alpha byte 0.
    EXPECT_EQ(HlsToRgb(HlsValue(128, 0, 170)), Rgb(128, 128, 128));
    EXPECT_EQ(HlsToRgb(HlsValue(77, 0, 3)), Rgb(77, 77, 77));
}

TEST(ColorSpaceTest, RoundTripStaysCloseForEveryHue)
{
    // The two conversions are not exact inverses: the forward one counts 42 hue steps per
    // sixth of the turn (252 in all) where the way back spreads 255, and both truncate. A
    // colour still comes back within a dozen levels per channel, channels in place.
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51)
            {
                const uint32_t back = HlsToRgb(RgbToHls(Rgb(r, g, b)));
                EXPECT_NEAR(int(back >> 16 & 0xFF), r, 12) << r << " " << g << " " << b;
                EXPECT_NEAR(int(back >> 8 & 0xFF), g, 12) << r << " " << g << " " << b;
                EXPECT_NEAR(int(back & 0xFF), b, 12) << r << " " << g << " " << b;
                EXPECT_EQ(back >> 24, 0u);
            }
}

} // namespace
} // namespace qv
