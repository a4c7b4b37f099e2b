#include "compose/NeighbourhoodEffects.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qv
{

namespace
{

bool HasPixels(const uint8_t* pPixels, int nWidth, int nHeight)
{
    return pPixels != nullptr && nWidth >= 1 && nHeight >= 1;
}

// Kernel entries up to this size keep every sum and its edge rescaling within 64 bits.
constexpr int32_t kMaxKernelEntry = 1 << 16;

uint8_t ClampToByte(int64_t v)
{
    return uint8_t(std::clamp<int64_t>(v, 0, 255));
}

// One draw of the C library's generator on the 0..32767 scale the jitter is defined on,
// whatever RAND_MAX this library has.
int DrawJitterRandom()
{
    return int(int64_t(std::rand()) * 32768 / (int64_t(RAND_MAX) + 1));
}

// truncate((r ÷ 32767.0 − 0.5) × 2n), held to a range no picture reaches beyond.
int64_t JitterOffset(int nRandom, int32_t nAmount)
{
    const double d = (nRandom / 32767.0 - 0.5) * 2.0 * nAmount;
    return int64_t(std::clamp(d, -4.0e9, 4.0e9));
}

} // namespace

void Jitter(uint8_t* pPixels, int nWidth, int nHeight, int32_t nAmount)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    // The offset of every possible draw, worked out once per call.
    std::vector<int64_t> offsets(32768);
    for (int r = 0; r < 32768; ++r)
        offsets[size_t(r)] = JitterOffset(r, nAmount);
    const int64_t stride = int64_t(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y)
    {
        uint8_t* pRow = pPixels + y * stride;
        for (int x = 0; x < nWidth; ++x)
        {
            const int64_t sx = x + offsets[size_t(DrawJitterRandom())];
            const int64_t sy = y + offsets[size_t(DrawJitterRandom())];
            if (sx < 0 || sx >= nWidth || sy < 0 || sy >= nHeight)
                continue;
            const uint8_t* pFrom = pPixels + sy * stride + sx * 4;
            uint8_t* pTo = pRow + int64_t(x) * 4;
            pTo[0] = pFrom[0];
            pTo[1] = pFrom[1];
            pTo[2] = pFrom[2];
        }
    }
}

namespace
{

// The sum of the kernel over the neighbours of (x, y) that lie inside the picture, for
// blue, green and red, with the part U of the kernel that was used.
template <typename Sum>
void NeighbourSums(const uint8_t* pPixels, int nWidth, int nHeight, int x, int y,
                   const ConvolutionKernel& kernel, Sum sum[3], Sum* pUsed)
{
    const int64_t stride = int64_t(nWidth) * 4;
    const int dy0 = y > 0 ? -1 : 0;
    const int dy1 = y < nHeight - 1 ? 1 : 0;
    const int dx0 = x > 0 ? -1 : 0;
    const int dx1 = x < nWidth - 1 ? 1 : 0;
    sum[0] = sum[1] = sum[2] = 0;
    *pUsed = 0;
    for (int dy = dy0; dy <= dy1; ++dy)
    {
        const uint8_t* pRow = pPixels + (y + dy) * stride;
        for (int dx = dx0; dx <= dx1; ++dx)
        {
            const Sum k = kernel[dy + 1][dx + 1];
            const uint8_t* p = pRow + int64_t(x + dx) * 4;
            sum[0] += p[0] * k;
            sum[1] += p[1] * k;
            sum[2] += p[2] * k;
            *pUsed += k;
        }
    }
}

// One pixel anywhere in the picture, edges included.
template <typename Sum, typename Divide>
void ConvolvePixel(uint8_t* pPixels, int nWidth, int nHeight, int x, int y,
                   const ConvolutionKernel& kernel, Sum nKernelSum, int32_t nDivisor, int32_t nBias,
                   Divide divide)
{
    Sum sum[3];
    Sum nUsed;
    NeighbourSums(pPixels, nWidth, nHeight, x, y, kernel, sum, &nUsed);
    uint8_t* pOut = pPixels + (int64_t(y) * nWidth + x) * 4;
    for (int c = 0; c < 3; ++c)
    {
        Sum v;
        if (nDivisor == 0 || nUsed == 0)
            v = sum[c];
        else if (nUsed == nKernelSum)
            v = divide(sum[c]);
        else
            v = sum[c] * nKernelSum / (nUsed * nDivisor);
        pOut[c] = ClampToByte(int64_t(v) + nBias);
    }
}

// In memory order. Inside the picture every neighbour is used (U = K), and of the nine
// values a pixel reads only its left neighbour has changed since its row began: the rows
// above and below stay as they are while the row is worked on, and the pixel itself and
// its right neighbour are still old. Their part of each sum is formed for the whole row
// first (all four bytes, which keeps the loop simple enough to vectorise); the walk along
// the row then only adds the new left value. The result is that of the plain
// pixel-by-pixel walk.
template <typename Sum, typename Divide>
void ConvolveInPlace(uint8_t* pPixels, int nWidth, int nHeight, const ConvolutionKernel& kernel,
                     int32_t nDivisor, int32_t nBias, Divide divide)
{
    Sum nKernelSum = 0;
    for (const auto& row : kernel)
        for (int32_t k : row)
            nKernelSum += k;
    if (nWidth < 3 || nHeight < 3)
    {
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                ConvolvePixel<Sum>(pPixels, nWidth, nHeight, x, y, kernel, nKernelSum, nDivisor,
                                   nBias, divide);
        return;
    }
    const bool bPlainSum = nDivisor == 0 || nKernelSum == 0;
    const int64_t stride = int64_t(nWidth) * 4;
    std::vector<Sum> known(static_cast<size_t>(stride));
    const Sum a0 = kernel[0][0], a1 = kernel[0][1], a2 = kernel[0][2];
    const Sum c0 = kernel[1][0], c1 = kernel[1][1], c2 = kernel[1][2];
    const Sum b0 = kernel[2][0], b1 = kernel[2][1], b2 = kernel[2][2];
    for (int x = 0; x < nWidth; ++x)
        ConvolvePixel<Sum>(pPixels, nWidth, nHeight, x, 0, kernel, nKernelSum, nDivisor, nBias,
                           divide);
    for (int y = 1; y < nHeight - 1; ++y)
    {
        const uint8_t* a = pPixels + (y - 1) * stride;
        uint8_t* c = pPixels + y * stride;
        const uint8_t* b = pPixels + (y + 1) * stride;
        Sum* pKnown = known.data();
        for (int64_t i = 4; i < stride - 4; ++i)
            pKnown[i] = a0 * a[i - 4] + a1 * a[i] + a2 * a[i + 4] + b0 * b[i - 4] + b1 * b[i] +
                        b2 * b[i + 4] + c1 * c[i] + c2 * c[i + 4];
        ConvolvePixel<Sum>(pPixels, nWidth, nHeight, 0, y, kernel, nKernelSum, nDivisor, nBias,
                           divide);
        Sum left[3] = {c[0], c[1], c[2]};
        for (int64_t i = 4; i < stride - 4; i += 4)
        {
            for (int ch = 0; ch < 3; ++ch)
            {
                const Sum sum = pKnown[i + ch] + c0 * left[ch];
                const uint8_t v = ClampToByte(int64_t(bPlainSum ? sum : divide(sum)) + nBias);
                c[i + ch] = v;
                left[ch] = v;
            }
        }
        ConvolvePixel<Sum>(pPixels, nWidth, nHeight, nWidth - 1, y, kernel, nKernelSum, nDivisor,
                           nBias, divide);
    }
    for (int x = 0; x < nWidth; ++x)
        ConvolvePixel<Sum>(pPixels, nWidth, nHeight, x, nHeight - 1, kernel, nKernelSum, nDivisor,
                           nBias, divide);
}

} // namespace

void Convolve3x3(uint8_t* pPixels, int nWidth, int nHeight, const ConvolutionKernel& kernel,
                 int32_t nDivisor, int32_t nBias)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    for (const auto& row : kernel)
        for (int32_t k : row)
            if (k < -kMaxKernelEntry || k > kMaxKernelEntry)
                return;
    // Any kernel: 64-bit sums, and a divisor known only now.
    ConvolveInPlace<int64_t>(pPixels, nWidth, nHeight, kernel, nDivisor, nBias,
                             [nDivisor](int64_t sum) { return sum / nDivisor; });
}

// The fixed kernels keep their sums within 32 bits and divide by constants.
void Soften(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kSoften = {{1, 1, 1}, {1, 8, 1}, {1, 1, 1}};
    if (HasPixels(pPixels, nWidth, nHeight))
        ConvolveInPlace<int32_t>(pPixels, nWidth, nHeight, kSoften, 16, 0,
                                 [](int32_t sum) { return sum / 16; });
}

void Sharpen(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kSharpen = {{-1, -1, -1}, {-1, 15, -1}, {-1, -1, -1}};
    if (HasPixels(pPixels, nWidth, nHeight))
        ConvolveInPlace<int32_t>(pPixels, nWidth, nHeight, kSharpen, 7, 0,
                                 [](int32_t sum) { return sum / 7; });
}

void Blur(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kBlur = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    if (HasPixels(pPixels, nWidth, nHeight))
        ConvolveInPlace<int32_t>(pPixels, nWidth, nHeight, kBlur, 9, 0,
                                 [](int32_t sum) { return sum / 9; });
}

// Backwards in memory order. Of the nine values a pixel reads only its right neighbour has
// changed since its row began: the row after it is already new and stays so, the row
// before it is still old, and the pixel and its left neighbour are old. The largest and
// smallest of those eight are found for the whole row first (all four bytes, simple enough
// to vectorise); the walk along the row then only adds the new right value. The result is
// that of the plain pixel-by-pixel walk.
void DetectEdges(uint8_t* pPixels, int nWidth, int nHeight)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const int64_t stride = int64_t(nWidth) * 4;
    std::vector<uint8_t> column(size_t(stride) * 2), window(size_t(stride) * 2);
    uint8_t* pColumnHi = column.data();
    uint8_t* pColumnLo = pColumnHi + stride;
    uint8_t* pHi = window.data();
    uint8_t* pLo = pHi + stride;
    for (int y = nHeight - 1; y >= 0; --y)
    {
        uint8_t* c = pPixels + y * stride;
        // The rows around, column by column; with neither (one row) nothing.
        const uint8_t* a = y > 0 ? c - stride : nullptr;
        const uint8_t* b = y < nHeight - 1 ? c + stride : nullptr;
        if (a == nullptr)
            a = b;
        if (b == nullptr)
            b = a;
        if (a == nullptr)
        {
            std::fill(pColumnHi, pColumnHi + stride, uint8_t(0));
            std::fill(pColumnLo, pColumnLo + stride, uint8_t(255));
        }
        else
        {
            for (int64_t i = 0; i < stride; ++i)
            {
                pColumnHi[i] = std::max(a[i], b[i]);
                pColumnLo[i] = std::min(a[i], b[i]);
            }
        }
        // Three columns, with the pixel itself and its left neighbour.
        for (int64_t i = 4; i < stride - 4; ++i)
        {
            const uint8_t hi = std::max(std::max(pColumnHi[i - 4], pColumnHi[i + 4]),
                                        std::max(pColumnHi[i], c[i]));
            const uint8_t lo = std::min(std::min(pColumnLo[i - 4], pColumnLo[i + 4]),
                                        std::min(pColumnLo[i], c[i]));
            pHi[i] = std::max(hi, c[i - 4]);
            pLo[i] = std::min(lo, c[i - 4]);
        }
        for (int64_t i = 0; i < 4; ++i)
        {
            // The first column has nothing on its left, the last nothing on its right.
            const bool bWide = stride > 4;
            pHi[i] = std::max({pColumnHi[i], bWide ? pColumnHi[i + 4] : uint8_t(0), c[i]});
            pLo[i] = std::min({pColumnLo[i], bWide ? pColumnLo[i + 4] : uint8_t(255), c[i]});
            if (bWide)
            {
                const int64_t j = stride - 4 + i;
                pHi[j] = std::max({pColumnHi[j - 4], pColumnHi[j], c[j - 4], c[j]});
                pLo[j] = std::min({pColumnLo[j - 4], pColumnLo[j], c[j - 4], c[j]});
            }
        }
        // The last pixel has no right neighbour.
        for (int ch = 0; ch < 3; ++ch)
        {
            const int64_t j = stride - 4 + ch;
            c[j] = uint8_t(255 - (pHi[j] - pLo[j]));
        }
        for (int64_t i = stride - 8; i >= 0; i -= 4)
        {
            for (int ch = 0; ch < 3; ++ch)
            {
                const uint8_t right = c[i + 4 + ch];
                const uint8_t hi = std::max(pHi[i + ch], right);
                const uint8_t lo = std::min(pLo[i + ch], right);
                c[i + ch] = uint8_t(255 - (hi - lo));
            }
        }
    }
}

void Mosaic(uint8_t* pPixels, int nWidth, int nHeight, int32_t nTile, int32_t x, int32_t y,
            int32_t nRectWidth, int32_t nRectHeight, bool bBottomUp)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const int64_t tile = std::max<int32_t>(nTile, 2);
    // Clipped in 64 bits: the stored rectangle may lie anywhere.
    const int64_t x0 = std::max<int32_t>(x, 0);
    int64_t width = nRectWidth;
    if (x0 + width > nWidth)
        width = nWidth - x0;
    const int64_t y0 = std::max<int32_t>(y, 0);
    int64_t height = nRectHeight;
    if (y0 + height > nHeight)
        height = nHeight - y0;
    if (width < 1 || height < 1)
        return;

    const int64_t first = bBottomUp ? nHeight - y0 - height : y0;
    const int64_t top = first + height - 1;
    const int64_t stride = int64_t(nWidth) * 4;
    for (int64_t c = x0; c < x0 + width; ++c)
    {
        const int64_t sourceColumn = ((c - x0) / tile) * tile + x0;
        for (int64_t r = top; r >= first; --r)
        {
            const int64_t sourceRow =
                std::min<int64_t>(((r - first + 1) / tile) * tile + first, nHeight - 1);
            const uint8_t* pFrom = pPixels + sourceRow * stride + sourceColumn * 4;
            uint8_t* pTo = pPixels + r * stride + c * 4;
            pTo[0] = pFrom[0];
            pTo[1] = pFrom[1];
            pTo[2] = pFrom[2];
        }
    }
}

} // namespace qv
