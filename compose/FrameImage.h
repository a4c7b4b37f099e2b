// Moving pictures between composed frames (BGRA, bottom row first, stride W × 4) and
// upright QImages (ARGB32 keeps the blue-green-red-alpha byte order).
#pragma once

#include <QImage>

#include <cstdint>

namespace qv
{

// Bytes of a W × H frame; 0 for sizes that are not positive.
int64_t FrameBytes(int nWidth, int nHeight);

// Sets every byte of the frame to 0.
void ClearFrame(uint8_t* pFrame, int nWidth, int nHeight);

// An upright ARGB32 copy of the frame; null for a null frame or a size that is not positive.
QImage FrameToImage(const uint8_t* pFrame, int nWidth, int nHeight);

// Draws the upright image over the whole frame, scaled (smoothly) to W × H when its size
// differs. False, and the frame untouched, for a null image or frame.
bool DrawImageToFrame(const QImage& image, uint8_t* pFrame, int nWidth, int nHeight);

} // namespace qv
