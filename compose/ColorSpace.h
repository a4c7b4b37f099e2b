// Hue, lightness and saturation in the classic 0..255 integer form, used by the colour
// effects. A pixel value holds blue in byte 0, green in byte 1, red in byte 2 and alpha in
// byte 3 (a BGRA pixel read as a little-endian 32-bit number); an HLS value holds lightness
// in byte 0, saturation in byte 1, hue in byte 2 (0..255 is a full turn: red 0, green 85,
// blue 170) and 0 in byte 3.
#pragma once

#include <cstdint>

namespace qv
{

constexpr uint32_t HlsValue(uint32_t nLightness, uint32_t nSaturation, uint32_t nHue)
{
    return (nLightness & 0xFF) | (nSaturation & 0xFF) << 8 | (nHue & 0xFF) << 16;
}
constexpr uint32_t HlsLightness(uint32_t nHls)
{
    return nHls & 0xFF;
}
constexpr uint32_t HlsSaturation(uint32_t nHls)
{
    return nHls >> 8 & 0xFF;
}
constexpr uint32_t HlsHue(uint32_t nHls)
{
    return nHls >> 16 & 0xFF;
}

// The pixel value of four BGRA bytes, and back.
inline uint32_t LoadPixel(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StorePixel(uint8_t* p, uint32_t nPixel)
{
    p[0] = uint8_t(nPixel);
    p[1] = uint8_t(nPixel >> 8);
    p[2] = uint8_t(nPixel >> 16);
    p[3] = uint8_t(nPixel >> 24);
}

// Integer conversion; alpha is ignored. A grey has saturation 0 and hue 170.
uint32_t RgbToHls(uint32_t nPixel);

// Single-precision conversion back; the result's alpha byte is 0.
uint32_t HlsToRgb(uint32_t nHls);

} // namespace qv
