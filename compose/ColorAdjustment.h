// An item's colour-adjustment set applied to a picture: the enabled effects in their fixed
// order, each seeing the output of the one before: brightness/contrast, levels, colorize,
// saturate, jitter, grayscale, soften, sharpen, blur, edge detection, mosaic.
#pragma once

#include "project/tagQVMediaData.h"

#include <cstdint>

class QImage;

namespace qv
{

// The mosaic of a set as it is applied to a picture of W × H.
struct tagQVMosaicArea
{
    int32_t nTile = 0;
    int32_t x = 0; // from the left and from the top of the picture
    int32_t y = 0;
    int32_t nWidth = 0;
    int32_t nHeight = 0;
};

// The stored tile and rectangle are in the pixels of the set's reference size and are
// scaled by W ÷ reference width and H ÷ reference height (tile by the mean of the two).
// The project file carries no reference size; a reference of 0 (or below) means the
// picture itself, so that a stored mosaic is applied as set, in output pixels: the
// composed frame is what the user sees and places the rectangle on.
tagQVMosaicArea ScaleMosaic(const tagQVColorAdjustment& adjustment, int nWidth, int nHeight);

// Applies the set to a composed frame: BGRA, bottom row first, stride W × 4 (the mixer
// passes the absolute width and height of its sample header). Nothing happens for a null
// buffer or a size below 1.
void ApplyColorAdjustment(const tagQVColorAdjustment& adjustment, uint8_t* pPixels, int nWidth,
                          int nHeight);

// The same set with the same arithmetic on an upright picture. The picture is worked on as
// 32-bit ARGB (blue, green, red, alpha bytes) and keeps its format afterwards; the mosaic
// rectangle is counted from its top row. Nothing happens for a null picture.
void ApplyColorAdjustment(const tagQVColorAdjustment& adjustment, QImage* pImage);

} // namespace qv
