// The software stretcher of the composition: a nearest-neighbour copy of one rectangle of
// a device-independent bitmap onto a rectangle of another, on integers only.
#pragma once

#include <cstdint>

namespace qv
{

// What the stretcher reads of a bitmap information header.
struct tagQVDibHeader
{
    int32_t biWidth = 0;    // pixels per row
    int32_t biHeight = 0;   // rows; only its magnitude bounds the rectangles
    int32_t biBitCount = 0; // 8, 16, 24 or 32
};

// Row stride of a bitmap: width × bits rounded up to whole 32-bit words, in bytes.
int64_t DibStride(const tagQVDibHeader& header);

// How one direction is stretched, from the source and destination sizes.
enum class EStretchClass
{
    Equal = 1,
    Double = 2,    // destination exactly twice the source
    Quadruple = 3, // destination exactly four times the source
    Enlarge = 4,   // any other enlargement
    Reduce = 5,    // any other reduction
    Quarter = 6,   // source exactly four times the destination
    Half = 7       // source exactly twice the destination
};
EStretchClass ClassifyStretch(int nSource, int nDestination);

// Copies the source rectangle (nSrcX, nSrcY, nSrcWidth, nSrcHeight) onto the destination
// rectangle. Coordinates are memory rows (row 0 first in memory) and pixel columns. Each
// destination pixel takes one source pixel: enlarging picks floor(i × m ÷ n), reducing
// ceil(i × m ÷ n), for destination index i, source size m and destination size n.
// Does nothing and returns false when the bit counts differ or are not 8, 16, 24 or 32,
// when a size is not positive, or when either rectangle leaves its bitmap.
bool StretchDib(const tagQVDibHeader& dst, uint8_t* pDst, int nDstX, int nDstY, int nDstWidth,
                int nDstHeight, const tagQVDibHeader& src, const uint8_t* pSrc, int nSrcX,
                int nSrcY, int nSrcWidth, int nSrcHeight);

} // namespace qv
