// The colour effects that change each pixel on its own: brightness and contrast, levels,
// colorize, saturation and grey. All work in place on BGRA pixels (stride width × 4),
// change blue, green and red and leave alpha alone; each returns at once for a null buffer
// or a width or height below 1. Their results are exact to the integer: composed frames
// are compared byte for byte.
#pragma once

#include <cstdint>

namespace qv
{

// out = truncate((v − 128) × f + g + 0.5) kept within 0..255, where f = (contrast + 100) ÷
// 100 and g = brightness + 128 are single-precision values; one table for all channels.
// Contrast −100 makes every channel 128.
void AdjustBrightnessContrast(uint8_t* pPixels, int nWidth, int nHeight, int32_t nBrightness,
                              int32_t nContrast);

// Each channel × level ÷ 255, truncated; only the low byte of a level counts (255 leaves a
// channel, 0 and 256 black it out).
void AdjustLevels(uint8_t* pPixels, int nWidth, int nHeight, int32_t nRedLevel, int32_t nGreenLevel,
                  int32_t nBlueLevel);

// y = (blue × 117 + red × 306 + green × 601) >> 10 into all three channels.
void GrayScale(uint8_t* pPixels, int nWidth, int nHeight);

// The weight (0..256) of the colour in a blended colorize, or −1 for the full colorize:
// blend taken in single precision and kept within 0..1; from 0.999 up the colour replaces
// hue and saturation entirely. Anything that is not a number counts as 0.
int ColorizeWeight(double dBlend);

// Gives every pixel the hue and saturation (low bytes; hue 0..255 a full turn). Full
// colorize keeps each pixel's own HLS lightness; a blend takes the colour of the weighted
// grey as lightness and mixes it with the pixel: (colour × w + old × (256 − w)) >> 8.
void Colorize(uint8_t* pPixels, int nWidth, int nHeight, int32_t nHue, int32_t nSaturation,
              double dBlend);

// Adds d to each pixel's HLS saturation (kept within 0..255).
void Saturate(uint8_t* pPixels, int nWidth, int nHeight, int32_t nChange);

} // namespace qv
