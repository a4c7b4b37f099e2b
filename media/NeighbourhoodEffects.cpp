#include "media/NeighbourhoodEffects.h"

#include <algorithm>
#include <cstdlib>

namespace qv
{

namespace
{

bool HasPixels(const uint8_t* pPixels, int nWidth, int nHeight)
{
    return pPixels != nullptr && nWidth >= 1 && nHeight >= 1;
}

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
    const int64_t stride = int64_t(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y)
    {
        uint8_t* pRow = pPixels + y * stride;
        for (int x = 0; x < nWidth; ++x)
        {
            const int64_t sx = x + JitterOffset(DrawJitterRandom(), nAmount);
            const int64_t sy = y + JitterOffset(DrawJitterRandom(), nAmount);
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

void Convolve3x3(uint8_t* pPixels, int nWidth, int nHeight, const ConvolutionKernel& kernel,
                 int32_t nDivisor, int32_t nBias)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    int64_t nKernelSum = 0;
    for (const auto& row : kernel)
        for (int32_t k : row)
            nKernelSum += k;
    const int64_t stride = int64_t(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y)
    {
        const int dy0 = y > 0 ? -1 : 0;
        const int dy1 = y < nHeight - 1 ? 1 : 0;
        for (int x = 0; x < nWidth; ++x)
        {
            const int dx0 = x > 0 ? -1 : 0;
            const int dx1 = x < nWidth - 1 ? 1 : 0;
            int64_t sum[3] = {0, 0, 0};
            int64_t nUsed = 0;
            for (int dy = dy0; dy <= dy1; ++dy)
            {
                const uint8_t* pRow = pPixels + (y + dy) * stride;
                for (int dx = dx0; dx <= dx1; ++dx)
                {
                    const int64_t k = kernel[dy + 1][dx + 1];
                    const uint8_t* p = pRow + int64_t(x + dx) * 4;
                    sum[0] += p[0] * k;
                    sum[1] += p[1] * k;
                    sum[2] += p[2] * k;
                    nUsed += k;
                }
            }
            uint8_t* pOut = pPixels + y * stride + int64_t(x) * 4;
            for (int c = 0; c < 3; ++c)
            {
                int64_t v;
                if (nDivisor == 0 || nUsed == 0)
                    v = sum[c];
                else if (nUsed == nKernelSum)
                    v = sum[c] / nDivisor;
                else
                    v = sum[c] * nKernelSum / (nUsed * nDivisor);
                pOut[c] = ClampToByte(v + nBias);
            }
        }
    }
}

void Soften(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kSoften = {{1, 1, 1}, {1, 8, 1}, {1, 1, 1}};
    Convolve3x3(pPixels, nWidth, nHeight, kSoften, 16);
}

void Sharpen(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kSharpen = {{-1, -1, -1}, {-1, 15, -1}, {-1, -1, -1}};
    Convolve3x3(pPixels, nWidth, nHeight, kSharpen, 7);
}

void Blur(uint8_t* pPixels, int nWidth, int nHeight)
{
    static const ConvolutionKernel kBlur = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    Convolve3x3(pPixels, nWidth, nHeight, kBlur, 9);
}

void DetectEdges(uint8_t* pPixels, int nWidth, int nHeight)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const int64_t stride = int64_t(nWidth) * 4;
    for (int y = nHeight - 1; y >= 0; --y)
    {
        const int y0 = std::max(y - 1, 0);
        const int y1 = std::min(y + 1, nHeight - 1);
        for (int x = nWidth - 1; x >= 0; --x)
        {
            const int x0 = std::max(x - 1, 0);
            const int x1 = std::min(x + 1, nWidth - 1);
            uint8_t largest[3] = {0, 0, 0};
            uint8_t smallest[3] = {255, 255, 255};
            for (int ny = y0; ny <= y1; ++ny)
            {
                const uint8_t* p = pPixels + ny * stride + int64_t(x0) * 4;
                for (int nx = x0; nx <= x1; ++nx, p += 4)
                {
                    for (int c = 0; c < 3; ++c)
                    {
                        largest[c] = std::max(largest[c], p[c]);
                        smallest[c] = std::min(smallest[c], p[c]);
                    }
                }
            }
            uint8_t* pOut = pPixels + y * stride + int64_t(x) * 4;
            for (int c = 0; c < 3; ++c)
                pOut[c] = uint8_t(255 - (largest[c] - smallest[c]));
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
