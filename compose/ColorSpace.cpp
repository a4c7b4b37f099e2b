#include "compose/ColorSpace.h"

#include <algorithm>

namespace qv
{

namespace
{

// One channel of the classic two-level hue ramp; t in degrees.
float HueRamp(float m1, float m2, float t)
{
    if (t > 360.0f)
        t -= 360.0f;
    if (t < 0.0f)
        t += 360.0f;
    if (t < 60.0f)
        return m1 + (m2 - m1) * t / 60.0f;
    if (t < 180.0f)
        return m2;
    if (t < 240.0f)
        return m1 + (m2 - m1) * (240.0f - t) / 60.0f;
    return m1;
}

// 255 × v truncated; rounding may leave v a hair outside 0..1.
uint32_t ChannelOf(float v)
{
    const float scaled = 255.0f * v;
    if (!(scaled > 0.0f))
        return 0;
    return scaled >= 255.0f ? 255u : static_cast<uint32_t>(scaled);
}

} // namespace

uint32_t RgbToHls(uint32_t nPixel)
{
    const int red = int(nPixel >> 16 & 0xFF);
    const int green = int(nPixel >> 8 & 0xFF);
    const int blue = int(nPixel & 0xFF);
    const int mx = std::max({red, green, blue});
    const int mn = std::min({red, green, blue});
    const int lightness = ((mx + mn + 1) * 255) / 510;
    if (mx == mn)
        return HlsValue(uint32_t(lightness), 0, 170);

    const int dlt = mx - mn;
    const int q = lightness <= 127 ? mx + mn : 510 - mx - mn;
    const int saturation = (q / 2 + dlt * 255) / q;
    const int rd = ((mx - red) * 42 + dlt / 2) / dlt;
    const int gd = ((mx - green) * 42 + dlt / 2) / dlt;
    const int bd = ((mx - blue) * 42 + dlt / 2) / dlt;
    int hue;
    if (red == mx)
        hue = bd - gd;
    else if (green == mx)
        hue = 85 + rd - bd;
    else
        hue = 170 + gd - rd;
    return HlsValue(uint32_t(lightness), uint32_t(saturation), uint32_t(hue) & 0xFF);
}

uint32_t HlsToRgb(uint32_t nHls)
{
    const float l = float(HlsLightness(nHls)) / 255.0f;
    const float s = float(HlsSaturation(nHls)) / 255.0f;
    if (HlsSaturation(nHls) == 0)
    {
        const uint32_t grey = ChannelOf(l);
        return grey << 16 | grey << 8 | grey;
    }
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    const float a = float(HlsHue(nHls)) * 360.0f / 255.0f;
    const uint32_t red = ChannelOf(HueRamp(m1, m2, a + 120.0f));
    const uint32_t green = ChannelOf(HueRamp(m1, m2, a));
    const uint32_t blue = ChannelOf(HueRamp(m1, m2, a - 120.0f));
    return red << 16 | green << 8 | blue;
}

} // namespace qv
