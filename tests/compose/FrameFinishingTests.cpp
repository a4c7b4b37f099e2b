#include "compose/FrameFinishing.h"
#include "compose/FrameImage.h"
#include "tests/support/ComposeMedia.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace qv
{
namespace
{

using test::UprightPixel;

std::vector<uint8_t> Frame(int nWidth, int nHeight, uint8_t nFill)
{
    return std::vector<uint8_t>(size_t(nWidth) * nHeight * 4, nFill);
}

bool IsColour(const uint8_t* p, uint8_t b, uint8_t g, uint8_t r)
{
    return p[0] == b && p[1] == g && p[2] == r;
}

// Which strips a border type paints, read back from a frame.
std::string PaintedStrips(int nType)
{
    const int W = 40, H = 30;
    std::vector<uint8_t> frame = Frame(W, H, 0);
    tagQVBorderData border;
    border.BorderType = nType;
    border.BorderSize = 3;
    border.BorderColor = 0x0000FF; // red
    DrawBorder(frame.data(), W, H, border);
    std::string strips;
    if (IsColour(UprightPixel(frame, W, H, 1, H / 2), 0, 0, 255))
        strips += "L";
    if (IsColour(UprightPixel(frame, W, H, W / 2, 1), 0, 0, 255))
        strips += "T";
    if (IsColour(UprightPixel(frame, W, H, W - 2, H / 2), 0, 0, 255))
        strips += "R";
    if (IsColour(UprightPixel(frame, W, H, W / 2, H - 2), 0, 0, 255))
        strips += "B";
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, W / 2, H / 2), 0, 0, 0)) << nType;
    return strips;
}

TEST(FrameFinishingTest, BorderTypesChooseTheirStrips)
{
    const char* kExpected[] = {"LTRB", "L",  "T",  "R",   "B",   "LT",  "LR", "LB",
                               "TR",   "TB", "RB", "TRB", "LRB", "LTB", "LTR"};
    for (int nType = 0; nType < 15; ++nType)
        EXPECT_EQ(PaintedStrips(nType), kExpected[nType]) << nType;
    EXPECT_EQ(PaintedStrips(15), "");
    EXPECT_EQ(PaintedStrips(-1), "");
}

TEST(FrameFinishingTest, BorderType9PaintsTopAndBottomRowsAcrossTheWidth)
{
    const int W = 320, H = 240;
    std::vector<uint8_t> frame = Frame(W, H, 0);
    tagQVBorderData border;
    border.BorderType = 9;
    border.BorderSize = 8;
    border.BorderColor = 0x00336699; // red 0x99, green 0x66, blue 0x33
    DrawBorder(frame.data(), W, H, border);
    for (int y = 0; y < H; ++y)
    {
        const bool bPainted = y < 8 || y >= 232;
        for (int x : {0, 1, 100, 318, 319})
        {
            const uint8_t* p = UprightPixel(frame, W, H, x, y);
            if (bPainted)
                ASSERT_TRUE(IsColour(p, 0x33, 0x66, 0x99) && p[3] == 255) << x << "," << y;
            else
                ASSERT_TRUE(IsColour(p, 0, 0, 0)) << x << "," << y;
        }
    }
    // In memory (bottom row first) the top strip is the last eight rows.
    EXPECT_EQ(frame[size_t(W) * 4 * (H - 1)], 0x33);
    EXPECT_EQ(frame[size_t(W) * 4 * (H - 9)], 0);
}

TEST(FrameFinishingTest, BorderOffOrOversizedIsSafe)
{
    const int W = 8, H = 6;
    std::vector<uint8_t> frame = Frame(W, H, 7);
    tagQVBorderData border;
    border.BorderEnable = 0;
    border.BorderSize = 2;
    DrawBorder(frame.data(), W, H, border);
    EXPECT_EQ(frame, Frame(W, H, 7));
    border.BorderEnable = 1;
    border.BorderSize = 1000;
    border.BorderColor = 0xFFFFFF;
    DrawBorder(frame.data(), W, H, border);
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, 4, 3), 255, 255, 255));
}

// Left half red, right half blue, as seen upright.
std::vector<uint8_t> HalvesFrame(int W, int H)
{
    std::vector<uint8_t> frame = Frame(W, H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
        {
            uint8_t* p = const_cast<uint8_t*>(UprightPixel(frame, W, H, x, y));
            p[0] = x < W / 2 ? 0 : 255;
            p[2] = x < W / 2 ? 255 : 0;
            p[1] = static_cast<uint8_t>(y); // tells the rows apart
            p[3] = 255;
        }
    return frame;
}

TEST(FrameFinishingTest, Angle45WithFlipDoesNothing)
{
    const int W = 16, H = 8;
    std::vector<uint8_t> frame = HalvesFrame(W, H);
    tagQVRotationData rotation;
    rotation.rotationflip = 1;
    rotation.rotationangle = 45;
    RotateFrame(frame.data(), W, H, rotation);
    EXPECT_EQ(frame, HalvesFrame(W, H));
}

TEST(FrameFinishingTest, HalfTurnAndMirrorsWorkOnTheUprightPicture)
{
    const int W = 16, H = 8;
    std::vector<uint8_t> frame = HalvesFrame(W, H);
    tagQVRotationData rotation;
    rotation.rotationangle = 180;
    RotateFrame(frame.data(), W, H, rotation);
    // The top-left corner now holds what was the bottom-right one.
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, 0, 0), 255, H - 1, 0));
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, W - 1, H - 1), 0, 0, 255));

    frame = HalvesFrame(W, H);
    rotation.rotationangle = 0;
    rotation.rotationflip = 1; // top-bottom mirror only
    RotateFrame(frame.data(), W, H, rotation);
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, 0, 0), 0, H - 1, 255));
    EXPECT_TRUE(IsColour(UprightPixel(frame, W, H, W - 1, 0), 255, H - 1, 0));
}

TEST(FrameFinishingTest, QuarterTurnOfAWideFrameIsStretchedBackToItsSize)
{
    const int W = 64, H = 32;
    std::vector<uint8_t> frame = HalvesFrame(W, H);
    tagQVRotationData rotation;
    rotation.rotationangle = 90;
    RotateFrame(frame.data(), W, H, rotation);
    // Turned clockwise, the red left half becomes the top half.
    const uint8_t* pTop = UprightPixel(frame, W, H, W / 2, 4);
    const uint8_t* pBottom = UprightPixel(frame, W, H, W / 2, H - 5);
    EXPECT_EQ(pTop[0], 0);
    EXPECT_EQ(pTop[2], 255);
    EXPECT_EQ(pBottom[0], 255);
    EXPECT_EQ(pBottom[2], 0);
    // The old bottom row (green H − 1) is now at the left, the old top row at the right.
    EXPECT_GE(UprightPixel(frame, W, H, 0, 4)[1], H - 2);
    EXPECT_LE(UprightPixel(frame, W, H, W - 1, 4)[1], 1);
}

TEST(FrameFinishingTest, FinishItemFrameRotatesVideoBordersAndCopiesTheLayer)
{
    tagQVCompositionContext context;
    context.nOutputWidth = 16;
    context.nOutputHeight = 8;
    tagQVMediaData item;
    item.pRotation = std::make_unique<tagQVRotationData>();
    item.pRotation->rotationangle = 180;
    item.pBorder = std::make_unique<tagQVBorderData>();
    item.pBorder->BorderType = 1; // left
    item.pBorder->BorderSize = 1;
    item.pBorder->BorderColor = 0x00FF00;
    std::vector<uint8_t> layer = HalvesFrame(16, 8);
    std::vector<uint8_t> sample(layer.size() + 8, 0xEE);
    EXPECT_EQ(FinishItemFrame(context, item, layer.data(), sample.data(), int64_t(layer.size())),
              1);
    EXPECT_TRUE(IsColour(UprightPixel(sample, 16, 8, 0, 3), 0, 255, 0)); // border on top
    EXPECT_TRUE(IsColour(UprightPixel(sample, 16, 8, 1, 0), 255, 7, 0)); // turned picture
    EXPECT_EQ(sample[layer.size()], 0xEE);                               // nothing past size
    EXPECT_EQ(std::memcmp(sample.data(), layer.data(), layer.size()), 0);

    // Picture items are not turned here (their rotation applies to the picture file).
    item.eMediaType = 2;
    layer = HalvesFrame(16, 8);
    FinishItemFrame(context, item, layer.data(), sample.data(), int64_t(layer.size()));
    EXPECT_TRUE(IsColour(UprightPixel(sample, 16, 8, 1, 0), 0, 0, 255));
    EXPECT_EQ(FinishItemFrame(context, item, nullptr, sample.data(), 10), 0);
}

TEST(FrameFinishingTest, TwoItemsDissolveOverTheirOverlap)
{
    tagQVCompositionContext context;
    context.nOutputWidth = 4;
    context.nOutputHeight = 2;
    tagQVMediaData earlier;
    earlier.dEditorStartTime = 0.0;
    earlier.dEditorEndTime = 10.0;
    tagQVMediaData later;
    later.dEditorStartTime = 9.0;
    later.dEditorEndTime = 20.0;
    std::vector<uint8_t> a = Frame(4, 2, 200);
    std::vector<uint8_t> b = Frame(4, 2, 100);
    std::vector<uint8_t> sample = Frame(4, 2, 0);
    context.dCurrentTime = 9.5; // halfway through the overlap
    ASSERT_EQ(FinishTwoItems(context, earlier, later, a.data(), b.data(), sample.data(),
                             int64_t(sample.size())),
              1);
    EXPECT_EQ(sample[0], 150);
    // The later item may be on either side: the weights follow the start times.
    context.dCurrentTime = 9.75;
    FinishTwoItems(context, later, earlier, b.data(), a.data(), sample.data(),
                   int64_t(sample.size()));
    EXPECT_EQ(sample[5], 125);
    EXPECT_DOUBLE_EQ(TransitionWeight(earlier, later, 8.0), 0.0);
    EXPECT_DOUBLE_EQ(TransitionWeight(earlier, later, 10.0), 1.0);
    later.dEditorStartTime = 10.0; // no overlap: the later item shows
    EXPECT_DOUBLE_EQ(TransitionWeight(earlier, later, 10.0), 1.0);
}

} // namespace
} // namespace qv
