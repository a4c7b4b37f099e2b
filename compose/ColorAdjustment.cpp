#include "compose/ColorAdjustment.h"

#include "compose/NeighbourhoodEffects.h"
#include "compose/PixelEffects.h"

#include <QImage>

#include <algorithm>

namespace qv
{

namespace
{

// Truncation toward zero, held within the 32-bit range.
int32_t TruncateToInt32(double v)
{
    return int32_t(std::clamp(v, -2147483648.0, 2147483647.0));
}

void ApplyAll(const tagQVColorAdjustment& a, uint8_t* pPixels, int nWidth, int nHeight,
              bool bBottomUp)
{
    if (pPixels == nullptr || nWidth < 1 || nHeight < 1)
        return;
    if (a.bEnableBrightnessAndContrast != 0)
        AdjustBrightnessContrast(pPixels, nWidth, nHeight, a.nBrightness, a.nContrast);
    if (a.bEnableLevels != 0)
        AdjustLevels(pPixels, nWidth, nHeight, a.nRedLevels, a.nGreenLevels, a.nBlueLevels);
    if (a.bEnableColorize != 0)
        Colorize(pPixels, nWidth, nHeight, a.nColorizeHue, a.nColorizeSaturation, a.dColorizeBlend);
    if (a.bEnableSaturate != 0)
        Saturate(pPixels, nWidth, nHeight, a.nSaturate);
    if (a.bEnableJitter != 0)
        Jitter(pPixels, nWidth, nHeight, a.nJitter);
    if (a.bEnableGrayScale != 0)
        GrayScale(pPixels, nWidth, nHeight);
    if (a.bEnableSoften != 0)
        Soften(pPixels, nWidth, nHeight);
    if (a.bEnableSharpen != 0)
        Sharpen(pPixels, nWidth, nHeight);
    if (a.bEnableBlur != 0)
        Blur(pPixels, nWidth, nHeight);
    if (a.bEnableEdgeDetection != 0)
        DetectEdges(pPixels, nWidth, nHeight);
    if (a.bEnableMasaic != 0)
    {
        const tagQVMosaicArea area = ScaleMosaic(a, nWidth, nHeight);
        Mosaic(pPixels, nWidth, nHeight, area.nTile, area.x, area.y, area.nWidth, area.nHeight,
               bBottomUp);
    }
}

} // namespace

tagQVMosaicArea ScaleMosaic(const tagQVColorAdjustment& a, int nWidth, int nHeight)
{
    const int32_t nReferenceWidth = a.nReferenceWidth > 0 ? a.nReferenceWidth : nWidth;
    const int32_t nReferenceHeight = a.nReferenceHeight > 0 ? a.nReferenceHeight : nHeight;
    tagQVMosaicArea area;
    if (nReferenceWidth <= 0 || nReferenceHeight <= 0)
        return area;
    const double sx = double(nWidth) / nReferenceWidth;
    const double sy = double(nHeight) / nReferenceHeight;
    area.nTile = TruncateToInt32((sx + sy) * a.nMasaicTileSize * 0.5);
    area.x = TruncateToInt32(a.nMasaicX * sx);
    area.y = TruncateToInt32(a.nMasaicY * sy);
    area.nWidth = TruncateToInt32(a.nMasaicW * sx);
    area.nHeight = TruncateToInt32(a.nMasaicH * sy);
    return area;
}

void ApplyColorAdjustment(const tagQVColorAdjustment& adjustment, uint8_t* pPixels, int nWidth,
                          int nHeight)
{
    ApplyAll(adjustment, pPixels, nWidth, nHeight, true);
}

void ApplyColorAdjustment(const tagQVColorAdjustment& adjustment, QImage* pImage)
{
    if (pImage == nullptr || pImage->isNull())
        return;
    const QImage::Format eFormat = pImage->format();
    QImage work = pImage->convertToFormat(QImage::Format_ARGB32);
    // The effects expect rows of exactly width × 4 bytes; a picture over outside memory
    // may have longer ones.
    if (!work.isNull() && work.bytesPerLine() != qsizetype(work.width()) * 4)
        work = work.copy();
    if (work.isNull() || work.bytesPerLine() != qsizetype(work.width()) * 4)
        return;
    ApplyAll(adjustment, work.bits(), work.width(), work.height(), false);
    QImage result = eFormat == QImage::Format_ARGB32 ? work : work.convertToFormat(eFormat);
    if (!result.isNull())
        *pImage = std::move(result);
}

} // namespace qv
