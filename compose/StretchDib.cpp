#include "compose/StretchDib.h"

#include <cstdlib>
#include <cstring>

namespace qv
{

namespace
{

// Pixels are moved as N bytes with a fixed-size copy: rows need no alignment, and the
// compiler turns each copy into one load and one store.
template <int N> inline void CopyPixel(uint8_t* pDst, const uint8_t* pSrc)
{
    std::memcpy(pDst, pSrc, N);
}

bool IsEnlarging(EStretchClass eClass)
{
    return eClass == EStretchClass::Equal || eClass == EStretchClass::Double ||
           eClass == EStretchClass::Quadruple || eClass == EStretchClass::Enlarge;
}

// Destination n ≥ source m: the source pixel advances whenever the error term, starting at
// n − 1 and lowered by m per destination pixel, falls below 0.
template <int N> void EnlargeRow(uint8_t* pDst, const uint8_t* pSrc, int m, int n)
{
    int e = n - 1;
    for (int i = 0; i < n; ++i, pDst += N)
    {
        CopyPixel<N>(pDst, pSrc);
        e -= m;
        if (e < 0)
        {
            e += n;
            pSrc += N;
        }
    }
}

// Source m > destination n: after each destination pixel the source advances until the
// error term, starting at m − 1 and lowered by n per step, falls below 0.
template <int N> void ReduceRow(uint8_t* pDst, const uint8_t* pSrc, int m, int n)
{
    int e = m - 1;
    for (int i = 0; i < n; ++i, pDst += N)
    {
        CopyPixel<N>(pDst, pSrc);
        do
        {
            pSrc += N;
            e -= n;
        } while (e >= 0);
        e += m;
    }
}

// Byte pixels enlarged exactly two or four times: each byte replicated into a 16-bit or
// 32-bit word.
void ReplicateBytes(uint8_t* pDst, const uint8_t* pSrc, int m, int nFactor)
{
    for (int i = 0; i < m; ++i)
    {
        std::memset(pDst, pSrc[i], static_cast<size_t>(nFactor));
        pDst += nFactor;
    }
}

struct tagRows
{
    uint8_t* pDst;
    int64_t nDstStride;
    const uint8_t* pSrc;
    int64_t nSrcStride;
    int nSrcWidth, nSrcHeight, nDstWidth, nDstHeight;
};

template <int N>
void StretchRow(EStretchClass eClass, uint8_t* pDst, const uint8_t* pSrc, int m, int n)
{
    if (eClass == EStretchClass::Equal)
        std::memcpy(pDst, pSrc, static_cast<size_t>(n) * N);
    else if (N == 1 && eClass == EStretchClass::Double)
        ReplicateBytes(pDst, pSrc, m, 2);
    else if (N == 1 && eClass == EStretchClass::Quadruple)
        ReplicateBytes(pDst, pSrc, m, 4);
    else if (IsEnlarging(eClass))
        EnlargeRow<N>(pDst, pSrc, m, n);
    else
        ReduceRow<N>(pDst, pSrc, m, n);
}

// 8 and 16 bits doubled both ways: every source pixel becomes a 2 × 2 block.
template <int N> void DoubleBlocks(const tagRows& r)
{
    for (int y = 0; y < r.nSrcHeight; ++y)
    {
        const uint8_t* pSrc = r.pSrc + y * r.nSrcStride;
        uint8_t* pTop = r.pDst + 2 * y * r.nDstStride;
        uint8_t* pBottom = pTop + r.nDstStride;
        for (int x = 0; x < r.nSrcWidth; ++x, pSrc += N, pTop += 2 * N, pBottom += 2 * N)
        {
            CopyPixel<N>(pTop, pSrc);
            CopyPixel<N>(pTop + N, pSrc);
            CopyPixel<N>(pBottom, pSrc);
            CopyPixel<N>(pBottom + N, pSrc);
        }
    }
}

template <int N> void Stretch(const tagRows& r, EStretchClass eHorizontal, EStretchClass eVertical)
{
    if ((N == 1 || N == 2) && eHorizontal == EStretchClass::Double &&
        eVertical == EStretchClass::Double)
    {
        DoubleBlocks<N>(r);
        return;
    }
    const size_t nRowBytes = static_cast<size_t>(r.nDstWidth) * N;
    if (IsEnlarging(eVertical))
    {
        // A destination row that shows the same source row as the one before is a copy of
        // the row just written.
        int e = r.nDstHeight - 1;
        int nSrcRow = 0;
        int nPrevRow = -1;
        for (int y = 0; y < r.nDstHeight; ++y)
        {
            uint8_t* pRow = r.pDst + y * r.nDstStride;
            if (nSrcRow == nPrevRow)
                std::memcpy(pRow, pRow - r.nDstStride, nRowBytes);
            else
                StretchRow<N>(eHorizontal, pRow, r.pSrc + nSrcRow * r.nSrcStride, r.nSrcWidth,
                              r.nDstWidth);
            nPrevRow = nSrcRow;
            e -= r.nSrcHeight;
            if (e < 0)
            {
                e += r.nDstHeight;
                ++nSrcRow;
            }
        }
        return;
    }
    int e = r.nSrcHeight - 1;
    int nSrcRow = 0;
    for (int y = 0; y < r.nDstHeight; ++y)
    {
        StretchRow<N>(eHorizontal, r.pDst + y * r.nDstStride, r.pSrc + nSrcRow * r.nSrcStride,
                      r.nSrcWidth, r.nDstWidth);
        do
        {
            ++nSrcRow;
            e -= r.nDstHeight;
        } while (e >= 0);
        e += r.nSrcHeight;
    }
}

bool RectangleInside(const tagQVDibHeader& header, int x, int y, int nWidth, int nHeight)
{
    const int64_t nRows = std::llabs(static_cast<int64_t>(header.biHeight));
    return x >= 0 && y >= 0 && int64_t(x) + nWidth <= header.biWidth &&
           int64_t(y) + nHeight <= nRows;
}

} // namespace

int64_t DibStride(const tagQVDibHeader& header)
{
    return (int64_t(header.biWidth) * header.biBitCount + 31) / 32 * 4;
}

EStretchClass ClassifyStretch(int nSource, int nDestination)
{
    const int64_t m = nSource;
    const int64_t n = nDestination;
    if (m == n)
        return EStretchClass::Equal;
    if (n > m)
    {
        if (n == 2 * m)
            return EStretchClass::Double;
        if (n == 4 * m)
            return EStretchClass::Quadruple;
        return EStretchClass::Enlarge;
    }
    if (m == 4 * n)
        return EStretchClass::Quarter;
    if (m == 2 * n)
        return EStretchClass::Half;
    return EStretchClass::Reduce;
}

bool StretchDib(const tagQVDibHeader& dst, uint8_t* pDst, int nDstX, int nDstY, int nDstWidth,
                int nDstHeight, const tagQVDibHeader& src, const uint8_t* pSrc, int nSrcX,
                int nSrcY, int nSrcWidth, int nSrcHeight)
{
    const int nBits = src.biBitCount;
    if (dst.biBitCount != nBits || (nBits != 8 && nBits != 16 && nBits != 24 && nBits != 32))
        return false;
    if (pDst == nullptr || pSrc == nullptr || nSrcWidth <= 0 || nSrcHeight <= 0 || nDstWidth < 1 ||
        nDstHeight < 1)
        return false;
    if (!RectangleInside(dst, nDstX, nDstY, nDstWidth, nDstHeight) ||
        !RectangleInside(src, nSrcX, nSrcY, nSrcWidth, nSrcHeight))
        return false;

    const int nBytes = nBits / 8;
    tagRows rows;
    rows.nDstStride = DibStride(dst);
    rows.nSrcStride = DibStride(src);
    rows.pDst = pDst + nDstY * rows.nDstStride + int64_t(nDstX) * nBytes;
    rows.pSrc = pSrc + nSrcY * rows.nSrcStride + int64_t(nSrcX) * nBytes;
    rows.nSrcWidth = nSrcWidth;
    rows.nSrcHeight = nSrcHeight;
    rows.nDstWidth = nDstWidth;
    rows.nDstHeight = nDstHeight;

    const EStretchClass eHorizontal = ClassifyStretch(nSrcWidth, nDstWidth);
    const EStretchClass eVertical = ClassifyStretch(nSrcHeight, nDstHeight);
    switch (nBytes)
    {
    case 1:
        Stretch<1>(rows, eHorizontal, eVertical);
        break;
    case 2:
        Stretch<2>(rows, eHorizontal, eVertical);
        break;
    case 3:
        Stretch<3>(rows, eHorizontal, eVertical);
        break;
    default:
        Stretch<4>(rows, eHorizontal, eVertical);
        break;
    }
    return true;
}

} // namespace qv
