#include "compose/PixelEffects.h"

#include "compose/ColorSpace.h"

#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

bool HasPixels(const uint8_t* pPixels, int nWidth, int nHeight)
{
    return pPixels != nullptr && nWidth >= 1 && nHeight >= 1;
}

int64_t PixelCount(int nWidth, int nHeight)
{
    return int64_t(nWidth) * nHeight;
}

// Truncation toward zero into 0..255; out-of-range values never reach the integer cast.
uint8_t TruncateToByte(double v)
{
    if (!(v > 0.0))
        return 0;
    return v >= 255.0 ? 255 : uint8_t(v);
}

void MapThroughTable(uint8_t* pPixels, int nWidth, int nHeight, const uint8_t table[256])
{
    const int64_t n = PixelCount(nWidth, nHeight);
    for (int64_t i = 0; i < n; ++i)
    {
        uint8_t* p = pPixels + i * 4;
        p[0] = table[p[0]];
        p[1] = table[p[1]];
        p[2] = table[p[2]];
    }
}

} // namespace

void AdjustBrightnessContrast(uint8_t* pPixels, int nWidth, int nHeight, int32_t nBrightness,
                              int32_t nContrast)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    // The sums are formed in 64 bits: the stored values may be anything.
    const float f = float(int64_t(nContrast) + 100) / 100.0f;
    const float g = float(int64_t(nBrightness) + 128);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = TruncateToByte(double(float(v - 128) * f + g) + 0.5);
    MapThroughTable(pPixels, nWidth, nHeight, table);
}

void AdjustLevels(uint8_t* pPixels, int nWidth, int nHeight, int32_t nRedLevel, int32_t nGreenLevel,
                  int32_t nBlueLevel)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const int levels[3] = {nBlueLevel & 0xFF, nGreenLevel & 0xFF, nRedLevel & 0xFF};
    uint8_t tables[3][256];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            tables[c][v] = uint8_t(double(v * levels[c]) / 255.0);
    const int64_t n = PixelCount(nWidth, nHeight);
    for (int64_t i = 0; i < n; ++i)
    {
        uint8_t* p = pPixels + i * 4;
        p[0] = tables[0][p[0]];
        p[1] = tables[1][p[1]];
        p[2] = tables[2][p[2]];
    }
}

void GrayScale(uint8_t* pPixels, int nWidth, int nHeight)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const int64_t n = PixelCount(nWidth, nHeight);
    for (int64_t i = 0; i < n; ++i)
    {
        uint8_t* p = pPixels + i * 4;
        const uint32_t pixel = LoadPixel(p);
        const uint32_t y =
            ((pixel & 0xFF) * 117 + (pixel >> 16 & 0xFF) * 306 + (pixel >> 8 & 0xFF) * 601) >> 10;
        StorePixel(p, (pixel & 0xFF000000u) | y << 16 | y << 8 | y);
    }
}

int ColorizeWeight(double dBlend)
{
    float k = float(dBlend);
    if (!(k > 0.0f))
        k = 0.0f;
    k = std::min(k, 1.0f);
    if (k >= 0.999f)
        return -1;
    return int(256.0f * k);
}

void Colorize(uint8_t* pPixels, int nWidth, int nHeight, int32_t nHue, int32_t nSaturation,
              double dBlend)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    const uint32_t hue = uint32_t(nHue) & 0xFF;
    const uint32_t saturation = uint32_t(nSaturation) & 0xFF;
    const int64_t n = PixelCount(nWidth, nHeight);
    const int w = ColorizeWeight(dBlend);
    if (w < 0)
    {
        // Only the pixel's HLS lightness survives, and it depends only on the sum of its
        // largest and smallest channel: one colour per sum.
        uint32_t colours[511];
        for (uint32_t sum = 0; sum < 511; ++sum)
        {
            const uint32_t mx = std::min<uint32_t>(sum, 255);
            const uint32_t mn = sum - mx;
            const uint32_t hls = RgbToHls(mx << 16 | mn << 8 | mn);
            colours[sum] = HlsToRgb(HlsValue(HlsLightness(hls), saturation, hue));
        }
        for (int64_t i = 0; i < n; ++i)
        {
            uint8_t* p = pPixels + i * 4;
            const int sum = std::max({p[0], p[1], p[2]}) + std::min({p[0], p[1], p[2]});
            const uint32_t rgb = colours[sum];
            p[0] = uint8_t(rgb);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb >> 16);
        }
        return;
    }
    // The colour depends only on the grey, so it is worked out once per grey level.
    uint32_t colours[256];
    for (uint32_t y = 0; y < 256; ++y)
        colours[y] = HlsToRgb(HlsValue(y, saturation, hue));
    const int keep = 256 - w;
    for (int64_t i = 0; i < n; ++i)
    {
        uint8_t* p = pPixels + i * 4;
        const int y = (p[1] * 601 + p[2] * 306 + p[0] * 117) >> 10;
        const uint32_t c = colours[y];
        p[0] = uint8_t((int(c & 0xFF) * w + p[0] * keep) >> 8);
        p[1] = uint8_t((int(c >> 8 & 0xFF) * w + p[1] * keep) >> 8);
        p[2] = uint8_t((int(c >> 16 & 0xFF) * w + p[2] * keep) >> 8);
    }
}

void Saturate(uint8_t* pPixels, int nWidth, int nHeight, int32_t nChange)
{
    if (!HasPixels(pPixels, nWidth, nHeight))
        return;
    uint32_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = uint32_t(std::clamp<int64_t>(int64_t(v) + nChange, 0, 255));
    const int64_t n = PixelCount(nWidth, nHeight);
    for (int64_t i = 0; i < n; ++i)
    {
        uint8_t* p = pPixels + i * 4;
        const uint32_t hls = RgbToHls(LoadPixel(p));
        const uint32_t rgb =
            HlsToRgb(HlsValue(HlsLightness(hls), table[HlsSaturation(hls)], HlsHue(hls)));
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
    }
}

} // namespace qv
