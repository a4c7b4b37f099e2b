// The stretcher against an independent nearest-neighbour reference: enlarging takes
// source index floor(i × m ÷ n), reducing ceil(i × m ÷ n), in each direction.
#include "compose/StretchDib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace qv
{
namespace
{

struct tagBitmap
{
    tagQVDibHeader header;
    std::vector<uint8_t> bytes;
};

tagBitmap MakeBitmap(int nWidth, int nHeight, int nBits, unsigned nSeed)
{
    tagBitmap bitmap;
    bitmap.header = {nWidth, nHeight, nBits};
    bitmap.bytes.resize(static_cast<size_t>(DibStride(bitmap.header) * nHeight));
    for (uint8_t& byte : bitmap.bytes)
    {
        nSeed = nSeed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(nSeed >> 16);
    }
    return bitmap;
}

int SourceIndex(int i, int m, int n)
{
    const int64_t nProduct = int64_t(i) * m;
    return static_cast<int>(n >= m ? nProduct / n : (nProduct + n - 1) / n);
}

void ReferenceStretch(tagBitmap* pDst, int dx, int dy, int dw, int dh, const tagBitmap& src, int sx,
                      int sy, int sw, int sh)
{
    const int nBytes = src.header.biBitCount / 8;
    const int64_t nDstStride = DibStride(pDst->header);
    const int64_t nSrcStride = DibStride(src.header);
    for (int j = 0; j < dh; ++j)
    {
        const int nSrcRow = sy + SourceIndex(j, sh, dh);
        for (int i = 0; i < dw; ++i)
        {
            const int nSrcColumn = sx + SourceIndex(i, sw, dw);
            for (int b = 0; b < nBytes; ++b)
                pDst->bytes[size_t((dy + j) * nDstStride + int64_t(dx + i) * nBytes + b)] =
                    src.bytes[size_t(nSrcRow * nSrcStride + int64_t(nSrcColumn) * nBytes + b)];
        }
    }
}

TEST(StretchDibTest, ClassifiesEachDirection)
{
    EXPECT_EQ(ClassifyStretch(7, 7), EStretchClass::Equal);
    EXPECT_EQ(ClassifyStretch(7, 14), EStretchClass::Double);
    EXPECT_EQ(ClassifyStretch(7, 28), EStretchClass::Quadruple);
    EXPECT_EQ(ClassifyStretch(7, 15), EStretchClass::Enlarge);
    EXPECT_EQ(ClassifyStretch(7, 6), EStretchClass::Reduce);
    EXPECT_EQ(ClassifyStretch(28, 7), EStretchClass::Quarter);
    EXPECT_EQ(ClassifyStretch(14, 7), EStretchClass::Half);
}

TEST(StretchDibTest, RowStrideRoundsUpToWholeWords)
{
    EXPECT_EQ(DibStride({5, 1, 8}), 8);
    EXPECT_EQ(DibStride({5, 1, 16}), 12);
    EXPECT_EQ(DibStride({5, 1, 24}), 16);
    EXPECT_EQ(DibStride({5, 1, 32}), 20);
}

// Runs one case against the reference with the rectangles placed off the bitmaps' corners;
// the pixels outside the destination rectangle must stay as they were.
void ExpectMatchesReference(int nBits, int sw, int sh, int dw, int dh, int nCase)
{
    const int sx = nCase % 3, sy = nCase % 2, dx = nCase % 5, dy = nCase % 4;
    const tagBitmap src = MakeBitmap(sx + sw + 3, sy + sh + 2, nBits, 17u + nCase);
    tagBitmap actual = MakeBitmap(dx + dw + 1, dy + dh + 3, nBits, 91u + nCase);
    tagBitmap expected = actual;
    ASSERT_TRUE(StretchDib(actual.header, actual.bytes.data(), dx, dy, dw, dh, src.header,
                           src.bytes.data(), sx, sy, sw, sh));
    ReferenceStretch(&expected, dx, dy, dw, dh, src, sx, sy, sw, sh);
    ASSERT_EQ(actual.bytes, expected.bytes)
        << nBits << " bits, " << sw << "x" << sh << " -> " << dw << "x" << dh;
}

// Size pairs (source, destination) of each class, several per class.
const std::vector<std::pair<int, int>> kClassPairs[7] = {
    {{1, 1}, {5, 5}, {16, 16}},          // equal
    {{1, 2}, {3, 6}, {16, 32}},          // twice
    {{1, 4}, {3, 12}, {8, 32}},          // four times
    {{2, 3}, {5, 7}, {3, 64}, {7, 9}},   // other enlargement
    {{3, 2}, {7, 5}, {64, 3}, {33, 32}}, // other reduction
    {{4, 1}, {12, 3}, {64, 16}},         // a quarter
    {{2, 1}, {6, 3}, {32, 16}}};         // a half

TEST(StretchDibTest, MatchesNearestNeighbourReferenceForEveryClassPairAndDepth)
{
    int nCase = 0;
    for (int nBits : {8, 16, 24, 32})
        for (const auto& horizontal : kClassPairs)
            for (const auto& vertical : kClassPairs)
                for (const auto& [sw, dw] : horizontal)
                    for (const auto& [sh, dh] : vertical)
                    {
                        ExpectMatchesReference(nBits, sw, sh, dw, dh, nCase++);
                        if (HasFatalFailure())
                            return;
                    }
}

TEST(StretchDibTest, MatchesNearestNeighbourReferenceForManyWidthPairs)
{
    const int kSizes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 32, 33, 48, 64};
    int nCase = 0;
    for (int nBits : {8, 16, 24, 32})
        for (int sw : kSizes)
            for (int dw : kSizes)
            {
                const int sh = kSizes[nCase % 17];
                const int dh = kSizes[(nCase * 7 + 3) % 17];
                ExpectMatchesReference(nBits, sw, sh, dw, dh, nCase++);
                if (HasFatalFailure())
                    return;
            }
}

TEST(StretchDibTest, LargeFramesMatchTheReference)
{
    // Frame-sized cases of the composition: a crop copied 1:1, the 642-pixel picture
    // reduced, and a small crop enlarged to a whole frame.
    const struct
    {
        int sw, sh, dw, dh;
    } kCases[] = {{320, 240, 320, 240},
                  {640, 480, 320, 240},
                  {213, 160, 640, 480},
                  {642, 480, 640, 480},
                  {160, 120, 1280, 720}};
    unsigned nSeed = 5;
    for (const auto& c : kCases)
    {
        const tagBitmap src = MakeBitmap(c.sw, c.sh, 32, nSeed++);
        tagBitmap actual = MakeBitmap(c.dw, c.dh, 32, nSeed++);
        tagBitmap expected = actual;
        ASSERT_TRUE(StretchDib(actual.header, actual.bytes.data(), 0, 0, c.dw, c.dh, src.header,
                               src.bytes.data(), 0, 0, c.sw, c.sh));
        ReferenceStretch(&expected, 0, 0, c.dw, c.dh, src, 0, 0, c.sw, c.sh);
        EXPECT_EQ(actual.bytes, expected.bytes) << c.sw << "x" << c.sh;
    }
}

TEST(StretchDibTest, RefusesMismatchedDepthsBadSizesAndRectanglesOutsideTheBitmaps)
{
    const tagBitmap src = MakeBitmap(8, 8, 32, 1);
    const tagBitmap src16 = MakeBitmap(8, 8, 16, 2);
    const tagBitmap src12{{8, 8, 12}, std::vector<uint8_t>(64, 0)};
    tagBitmap dst = MakeBitmap(8, 8, 32, 3);
    const std::vector<uint8_t> before = dst.bytes;
    uint8_t* p = dst.bytes.data();
    const uint8_t* s = src.bytes.data();
    EXPECT_FALSE(
        StretchDib(dst.header, p, 0, 0, 4, 4, src16.header, src16.bytes.data(), 0, 0, 4, 4));
    tagBitmap dst12{{8, 8, 12}, std::vector<uint8_t>(64, 0)};
    EXPECT_FALSE(StretchDib(dst12.header, dst12.bytes.data(), 0, 0, 4, 4, src12.header,
                            src12.bytes.data(), 0, 0, 4, 4));
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 0, 4, 4, src.header, s, 0, 0, 0, 4));
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 0, 4, 4, src.header, s, 0, 0, 4, -1));
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 0, 0, 4, src.header, s, 0, 0, 4, 4));
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 0, 4, 4, src.header, s, 5, 0, 4, 4)); // past right
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 0, 4, 4, src.header, s, 0, 6, 4, 4)); // past last row
    EXPECT_FALSE(StretchDib(dst.header, p, -1, 0, 4, 4, src.header, s, 0, 0, 4, 4)); // before left
    EXPECT_FALSE(StretchDib(dst.header, p, 0, 5, 4, 4, src.header, s, 0, 0, 4, 4));
    EXPECT_FALSE(StretchDib(dst.header, nullptr, 0, 0, 4, 4, src.header, s, 0, 0, 4, 4));
    EXPECT_EQ(dst.bytes, before);
    // A negative height (top-down bitmap) bounds the rows by its magnitude.
    tagBitmap topDown = MakeBitmap(8, 8, 32, 4);
    topDown.header.biHeight = -8;
    EXPECT_TRUE(
        StretchDib(topDown.header, topDown.bytes.data(), 0, 0, 8, 8, src.header, s, 0, 0, 8, 8));
    EXPECT_EQ(topDown.bytes, src.bytes);
}

} // namespace
} // namespace qv
