// Jitter, convolutions, edge detection and mosaic: hand-worked pictures that show the
// in-place visiting order.
#include "compose/NeighbourhoodEffects.h"
#include "tests/compose/EffectPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace qv
{
namespace
{

using test::CQVPixels;
using test::tagQVBgra;

TEST(ConvolutionTest, SoftenInPlaceRescalesTheEdges)
{
    // A bright centre. Worked by hand in memory order; every pixel after the first sees the
    // new values of the pixels before it, and edge pixels scale by K ÷ U (16 ÷ 11 at
    // corners, 16 ÷ 13 along the sides).
    CQVPixels p = CQVPixels::Grey(3, 3, {0, 0, 0, 0, 160, 0, 0, 0, 0});
    Soften(p.Data(), 3, 3);
    EXPECT_EQ(p.Levels(), (std::vector<int>{14, 13, 15, 14, 83, 8, 8, 8, 9}));
    EXPECT_TRUE(p.IsGrey());
    EXPECT_EQ(p.At(1, 1).a, 200);
}

TEST(ConvolutionTest, BlurUsesNewValuesOfEarlierPixels)
{
    // Out of place, the pixels next to the corner would become 9 × 9 ÷ 54 = 1; in place the
    // corner has already dropped to 81 ÷ 36 = 2 and they get 2 × 9 ÷ 54 = 0.
    CQVPixels p = CQVPixels::Grey(3, 3, {9, 0, 0, 0, 0, 0, 0, 0, 0});
    Blur(p.Data(), 3, 3);
    EXPECT_EQ(p.Levels(), (std::vector<int>{2, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ConvolutionTest, SharpenTruncatesTowardZeroAndClips)
{
    // [10 100 10]: 50 × 7 ÷ 98 = 3; −3 + 1500 − 10 = 1487, × 7 ÷ 91 = 114; −114 + 150 = 36,
    // × 7 ÷ 98 = 2.
    CQVPixels p = CQVPixels::Grey(3, 1, {10, 100, 10});
    Sharpen(p.Data(), 3, 1);
    EXPECT_EQ(p.Levels(), (std::vector<int>{3, 114, 2}));
    // A negative sum is clipped to 0: −214 − 200 = −414 → −31 → 0.
    CQVPixels q = CQVPixels::Grey(3, 1, {200, 0, 200});
    Sharpen(q.Data(), 3, 1);
    EXPECT_EQ(q.Levels(), (std::vector<int>{214, 0, 214}));
}

TEST(ConvolutionTest, DivisorZeroAndBias)
{
    // Identity kernel: every part used is the whole kernel, so bias alone shows.
    const ConvolutionKernel identity = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    CQVPixels p(2, 2, {10, 250, 100, 1});
    Convolve3x3(p.Data(), 2, 2, identity, 1, 10);
    EXPECT_EQ(p.At(1, 1), (tagQVBgra{20, 255, 110, 1}));
    // Divisor 0: the plain sum. A kernel of one corner entry sums a neighbour when it lies
    // inside and nothing (U = 0) when it does not.
    const ConvolutionKernel corner = {{0, 0, 0}, {0, 0, 0}, {0, 0, 2}};
    CQVPixels q = CQVPixels::Grey(2, 2, {1, 2, 3, 40});
    Convolve3x3(q.Data(), 2, 2, corner, 0, 5);
    EXPECT_EQ(q.Levels(), (std::vector<int>{85, 5, 5, 5}));
}

// The plain pixel-by-pixel walks, written from the definitions: the oracle for the row
// arrangement the effects use.
void ReferenceConvolve(CQVPixels* pPicture, int w, int h, const ConvolutionKernel& k, int d,
                       int bias)
{
    int64_t nKernelSum = 0;
    for (const auto& row : k)
        for (int32_t v : row)
            nKernelSum += v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            int64_t sum[3] = {0, 0, 0}, nUsed = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                {
                    if (x + dx < 0 || x + dx >= w || y + dy < 0 || y + dy >= h)
                        continue;
                    const tagQVBgra n = pPicture->At(x + dx, y + dy);
                    const int64_t kv = k[dy + 1][dx + 1];
                    sum[0] += n.b * kv;
                    sum[1] += n.g * kv;
                    sum[2] += n.r * kv;
                    nUsed += kv;
                }
            uint8_t out[3];
            for (int c = 0; c < 3; ++c)
            {
                int64_t v = sum[c];
                if (d != 0 && nUsed != 0)
                    v = nUsed == nKernelSum ? sum[c] / d : sum[c] * nKernelSum / (nUsed * d);
                out[c] = uint8_t(std::clamp<int64_t>(v + bias, 0, 255));
            }
            pPicture->Put(x, y, {out[0], out[1], out[2], pPicture->At(x, y).a});
        }
}

void ReferenceEdges(CQVPixels* pPicture, int w, int h)
{
    for (int i = w * h - 1; i >= 0; --i)
    {
        const int x = i % w, y = i / w;
        int hi[3] = {0, 0, 0}, lo[3] = {255, 255, 255};
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
            {
                if (x + dx < 0 || x + dx >= w || y + dy < 0 || y + dy >= h)
                    continue;
                const tagQVBgra n = pPicture->At(x + dx, y + dy);
                const int v[3] = {n.b, n.g, n.r};
                for (int c = 0; c < 3; ++c)
                {
                    hi[c] = std::max(hi[c], v[c]);
                    lo[c] = std::min(lo[c], v[c]);
                }
            }
        pPicture->Put(x, y,
                      {uint8_t(255 - (hi[0] - lo[0])), uint8_t(255 - (hi[1] - lo[1])),
                       uint8_t(255 - (hi[2] - lo[2])), pPicture->At(x, y).a});
    }
}

CQVPixels Noise(int w, int h, unsigned nSeed)
{
    CQVPixels p(w, h);
    unsigned v = nSeed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            v = v * 1103515245u + 12345u;
            p.Put(x, y, {uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24), uint8_t(v)});
        }
    return p;
}

TEST(ConvolutionTest, EveryKernelAndSizeMatchesThePlainWalk)
{
    const ConvolutionKernel soften = {{1, 1, 1}, {1, 8, 1}, {1, 1, 1}};
    const ConvolutionKernel sharpen = {{-1, -1, -1}, {-1, 15, -1}, {-1, -1, -1}};
    const ConvolutionKernel blur = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    const ConvolutionKernel lopsided = {{0, -2, 5}, {3, 1, 0}, {-4, 7, 2}};
    const ConvolutionKernel zeroSum = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};
    const int sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 3}, {4, 7}, {17, 9}};
    for (const auto& size : sizes)
    {
        const int w = size[0], h = size[1];
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        struct
        {
            std::function<void(uint8_t*)> run;
            const ConvolutionKernel* pKernel;
            int d, bias;
        } cases[] = {
            {[&](uint8_t* p) { Soften(p, w, h); }, &soften, 16, 0},
            {[&](uint8_t* p) { Sharpen(p, w, h); }, &sharpen, 7, 0},
            {[&](uint8_t* p) { Blur(p, w, h); }, &blur, 9, 0},
            {[&](uint8_t* p) { Convolve3x3(p, w, h, lopsided, -3, 20); }, &lopsided, -3, 20},
            {[&](uint8_t* p) { Convolve3x3(p, w, h, lopsided, 0, -9); }, &lopsided, 0, -9},
            {[&](uint8_t* p) { Convolve3x3(p, w, h, zeroSum, 4, 128); }, &zeroSum, 4, 128},
        };
        unsigned nSeed = 1;
        for (auto& c : cases)
        {
            CQVPixels actual = Noise(w, h, nSeed);
            CQVPixels expected = Noise(w, h, nSeed++);
            c.run(actual.Data());
            ReferenceConvolve(&expected, w, h, *c.pKernel, c.d, c.bias);
            EXPECT_EQ(actual.Bytes(), expected.Bytes()) << "case " << nSeed - 1;
        }
    }
    // Entries too large to sum safely leave the picture.
    const ConvolutionKernel huge = {{0, 0, 0}, {0, 1 << 20, 0}, {0, 0, 0}};
    CQVPixels p = Noise(4, 4, 3);
    Convolve3x3(p.Data(), 4, 4, huge, 1, 0);
    EXPECT_EQ(p.Bytes(), Noise(4, 4, 3).Bytes());
}

TEST(EdgeDetectionTest, EverySizeMatchesThePlainWalk)
{
    const int sizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 3}, {4, 7}, {17, 9}};
    unsigned nSeed = 40;
    for (const auto& size : sizes)
    {
        const int w = size[0], h = size[1];
        CQVPixels actual = Noise(w, h, nSeed);
        CQVPixels expected = Noise(w, h, nSeed++);
        DetectEdges(actual.Data(), w, h);
        ReferenceEdges(&expected, w, h);
        EXPECT_EQ(actual.Bytes(), expected.Bytes()) << w << "x" << h;
    }
}

TEST(EdgeDetectionTest, WorksBackwardsInPlace)
{
    // [10 50 30]: last: 255 − (50 − 30) = 235; middle sees 10, 50, 235: 255 − 225 = 30;
    // first sees 10 and the new 30: 235. Out of place the first two would be 215.
    CQVPixels p = CQVPixels::Grey(3, 1, {10, 50, 30});
    DetectEdges(p.Data(), 3, 1);
    EXPECT_EQ(p.Levels(), (std::vector<int>{235, 30, 235}));
    // Two rows: (1,1) 55, (0,1) 55, (1,0) 155, (0,0) 100.
    CQVPixels q = CQVPixels::Grey(2, 2, {0, 100, 200, 50});
    DetectEdges(q.Data(), 2, 2);
    EXPECT_EQ(q.Levels(), (std::vector<int>{100, 155, 55, 55}));
    // Channels are independent; a flat picture becomes white.
    CQVPixels f(3, 2, {7, 90, 200, 3});
    DetectEdges(f.Data(), 3, 2);
    EXPECT_EQ(f.At(2, 1), (tagQVBgra{255, 255, 255, 3}));
}

// Distinct rows and columns: value = row × 10 + column.
CQVPixels Ruled(int nWidth, int nHeight)
{
    CQVPixels p(nWidth, nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            const uint8_t v = uint8_t(y * 10 + x);
            p.Put(x, y, {v, v, v, 1});
        }
    return p;
}

TEST(MosaicTest, TileFourOnTenRowsOfABottomUpFrame)
{
    // 12 rows, rectangle 10 rows high one row below the top of the picture: memory rows
    // first = 12 − 1 − 10 = 1 to 10.
    CQVPixels p = Ruled(3, 12);
    Mosaic(p.Data(), 3, 12, 4, 0, 1, 3, 10);
    const int expected[12] = {0, 1, 1, 1, 5, 5, 5, 5, 9, 9, 9, 11};
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 3; ++x)
        {
            const int source = (y == 0 || y == 11) ? y * 10 + x : expected[y] * 10;
            EXPECT_EQ(p.At(x, y).b, source) << x << "," << y;
        }
}

TEST(MosaicTest, ColumnsTileFromTheLeftEdgeOfTheRectangle)
{
    // Columns 1..7 with tile 3: 1,1,1,4,4,4,7; column 0 and 8 untouched. One row.
    CQVPixels p = Ruled(9, 1);
    Mosaic(p.Data(), 9, 1, 3, 1, 0, 7, 1);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 1, 1, 1, 4, 4, 4, 7, 8}));
}

TEST(MosaicTest, SourceRowReachingTheHeightIsLowered)
{
    // The whole 4-row picture with tile 4: row 3 maps to row 4, which is lowered to 3.
    CQVPixels p = Ruled(1, 4);
    Mosaic(p.Data(), 1, 4, 4, 0, 0, 1, 4);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 0, 0, 30}));
    // A tile below 2 counts as 2.
    CQVPixels q = Ruled(4, 1);
    Mosaic(q.Data(), 4, 1, -7, 0, 0, 4, 1);
    EXPECT_EQ(q.Levels(), (std::vector<int>{0, 0, 2, 2}));
}

TEST(MosaicTest, ClippingAndRectanglesOutsideThePicture)
{
    // Negative x is raised to 0 and the width kept; a width past the edge is cut.
    CQVPixels p = Ruled(6, 1);
    Mosaic(p.Data(), 6, 1, 2, -3, 0, 3, 1);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 0, 2, 3, 4, 5}));
    CQVPixels q = Ruled(6, 1);
    Mosaic(q.Data(), 6, 1, 2, 3, 0, INT32_MAX, 1);
    EXPECT_EQ(q.Levels(), (std::vector<int>{0, 1, 2, 3, 3, 5}));
    // Entirely outside, or empty: nothing.
    CQVPixels r = Ruled(6, 2);
    const std::vector<uint8_t> before = r.Bytes();
    Mosaic(r.Data(), 6, 2, 2, 6, 0, 5, 2);
    Mosaic(r.Data(), 6, 2, 2, 0, 2, 5, 2);
    Mosaic(r.Data(), 6, 2, 2, 0, 0, 0, 2);
    Mosaic(r.Data(), 6, 2, 2, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
    Mosaic(nullptr, 6, 2, 2, 0, 0, 5, 2);
    EXPECT_EQ(r.Bytes(), before);
}

TEST(MosaicTest, UprightPicturesCountTheRectangleFromTheFirstRow)
{
    // Rows 1..4 of a 6-row upright picture, tile 2: 1 → 1, 2 → 3, 3 → 3, 4 → 5 (the row
    // after the rectangle, as on bottom-up frames).
    CQVPixels p = Ruled(1, 6);
    Mosaic(p.Data(), 1, 6, 2, 0, 1, 1, 4, false);
    EXPECT_EQ(p.Levels(), (std::vector<int>{0, 10, 30, 30, 50, 50}));
}

TEST(JitterTest, AmountZeroOnlyDrawsTwicePerPixel)
{
    CQVPixels p = Ruled(5, 3);
    const std::vector<uint8_t> before = p.Bytes();
    std::srand(11);
    Jitter(p.Data(), 5, 3, 0);
    const int next = std::rand();
    EXPECT_EQ(p.Bytes(), before);
    std::srand(11);
    for (int i = 0; i < 2 * 5 * 3; ++i)
        std::rand();
    EXPECT_EQ(std::rand(), next);
}

TEST(JitterTest, CopiesFromTheDrawnOffsetInMemoryOrder)
{
    // The expected picture is replayed from the same draws: dx then dy for each pixel, row
    // by row, copying from the picture as it is at that moment.
    const int w = 6, h = 5, n = 3;
    CQVPixels p = Ruled(w, h);
    CQVPixels expected = Ruled(w, h);
    std::srand(4242);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int rx = int(int64_t(std::rand()) * 32768 / (int64_t(RAND_MAX) + 1));
            const int ry = int(int64_t(std::rand()) * 32768 / (int64_t(RAND_MAX) + 1));
            const int sx = x + int((rx / 32767.0 - 0.5) * 2 * n);
            const int sy = y + int((ry / 32767.0 - 0.5) * 2 * n);
            if (sx >= 0 && sx < w && sy >= 0 && sy < h)
                expected.Put(x, y, expected.At(sx, sy));
        }
    std::srand(4242);
    Jitter(p.Data(), w, h, n);
    EXPECT_EQ(p.Bytes(), expected.Bytes());
    // Some pixels moved, and alpha stayed everywhere.
    EXPECT_NE(p.Bytes(), Ruled(w, h).Bytes());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(p.At(x, y).a, 1);
}

TEST(JitterTest, HugeAmountsKeepEveryPixel)
{
    // With n = 2^31 − 1 the smallest offset a draw can give is about 65000 pixels: every
    // pixel keeps its own colour, and the offsets must not overflow on the way.
    CQVPixels p = Ruled(4, 4);
    std::srand(1);
    Jitter(p.Data(), 4, 4, INT32_MAX);
    EXPECT_EQ(p.Bytes(), Ruled(4, 4).Bytes());
}

TEST(NeighbourhoodEffectsTest, NullOrEmptyPicturesAreLeftAlone)
{
    CQVPixels p(1, 1, {1, 2, 3, 4});
    Soften(p.Data(), 0, 1);
    Sharpen(p.Data(), 1, 0);
    Blur(nullptr, 1, 1);
    DetectEdges(p.Data(), -1, 1);
    Jitter(p.Data(), 1, -2, 5);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{1, 2, 3, 4}));
    // A single pixel convolves with itself only.
    Blur(p.Data(), 1, 1);
    EXPECT_EQ(p.At(0, 0), (tagQVBgra{1, 2, 3, 4}));
}

} // namespace
} // namespace qv
