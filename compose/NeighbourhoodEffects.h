// The effects that read other pixels: jitter, the 3 × 3 convolutions, edge detection and
// mosaic. They work in place on BGRA pixels (stride width × 4) without a second buffer, so
// a pixel may see neighbours that were already changed: the visiting order is part of the
// result and is given for each. Blue, green and red change, alpha stays. Each returns at
// once for a null buffer or a width or height below 1. "Row" means a memory row (row 0
// first in memory); for the bottom-up frames of the composition that is the bottom row of
// the picture.
#pragma once

#include <cstdint>

namespace qv
{

// Memory order, row by row, left to right: dx and then dy are drawn from the C library's
// generator as truncate((r ÷ 32767.0 − 0.5) × 2n), r in 0..32767 (two draws per pixel);
// the pixel takes the colour of (x + dx, y + dy), or keeps its own when that lies outside.
// The generator is not seeded here.
void Jitter(uint8_t* pPixels, int nWidth, int nHeight, int32_t nAmount);

// A 3 × 3 kernel, kernel[dy + 1][dx + 1] weighting the neighbour at (x + dx, y + dy).
using ConvolutionKernel = int32_t[3][3];

// Memory order. Each channel = Σ kernel × neighbour over the neighbours inside the picture
// (earlier ones already hold their new values), ÷ divisor, + bias; at the edges, where only
// the part U of the kernel sum K lies inside, the sum is rescaled: Σ × K ÷ (U × divisor).
// With a divisor or U of 0 the plain sum is used. Integer divisions truncate toward zero;
// results are kept within 0..255. A kernel with an entry beyond ±65536 changes nothing.
void Convolve3x3(uint8_t* pPixels, int nWidth, int nHeight, const ConvolutionKernel& kernel,
                 int32_t nDivisor, int32_t nBias = 0);

// The fixed kernels: 1 1 1 / 1 8 1 / 1 1 1 ÷ 16, −1 … 15 … −1 ÷ 7 and all ones ÷ 9.
void Soften(uint8_t* pPixels, int nWidth, int nHeight);
void Sharpen(uint8_t* pPixels, int nWidth, int nHeight);
void Blur(uint8_t* pPixels, int nWidth, int nHeight);

// From the last pixel in memory back to the first: each channel becomes 255 − (largest −
// smallest) over the pixel's 3 × 3 neighbourhood clipped to the picture; neighbours later
// in memory already hold their new values.
void DetectEdges(uint8_t* pPixels, int nWidth, int nHeight);

// Tiles the rectangle (x, y, nRectWidth, nRectHeight) with squares of nTile pixels (at
// least 2), each showing one of its pixels. The rectangle is clipped to the picture; y is
// counted from the top of the picture. bBottomUp tells how the rows are stored: true for
// the composition's frames (the rectangle's rows are then h − y − height .. h − y − 1 in
// memory), false for upright images (rows y .. y + height − 1).
// Within the rectangle's memory rows first..top, row r takes row
// ((r − first + 1) ÷ tile) × tile + first (lowered to h − 1 when it reaches h), column c
// takes column ((c − x) ÷ tile) × tile + x.
void Mosaic(uint8_t* pPixels, int nWidth, int nHeight, int32_t nTile, int32_t x, int32_t y,
            int32_t nRectWidth, int32_t nRectHeight, bool bBottomUp = true);

} // namespace qv
