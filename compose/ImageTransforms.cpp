#include "compose/ImageTransforms.h"

#include <QTransform>

namespace qv
{

void FitRect(tagQVRect* pRect, int nImageWidth, int nImageHeight, int nFrameWidth, int nFrameHeight)
{
    if (pRect == nullptr || nImageWidth <= 0 || nImageHeight <= 0)
        return;
    const double dScaleX = static_cast<double>(nFrameWidth) / nImageWidth;
    const double dScaleY = static_cast<double>(nFrameHeight) / nImageHeight;
    if (dScaleX == dScaleY)
        return;
    if (dScaleX < dScaleY)
    {
        const int32_t nHeight =
            static_cast<int32_t>(int64_t(nImageHeight) * nFrameWidth / nImageWidth);
        pRect->left = 0;
        pRect->top = (nFrameHeight - nHeight) / 2;
        pRect->right = nFrameWidth;
        pRect->bottom = pRect->top + nHeight;
    }
    else
    {
        const int32_t nWidth =
            static_cast<int32_t>(int64_t(nImageWidth) * nFrameHeight / nImageHeight);
        pRect->left = (nFrameWidth - nWidth) / 2;
        pRect->top = 0;
        pRect->right = pRect->left + nWidth;
        pRect->bottom = nFrameHeight;
    }
}

bool RotateFlipFor(int32_t bFlip, int32_t bReverse, int32_t nAngle, ERotateFlip* pOperation)
{
    using E = ERotateFlip;
    // Rows: flip, reverse as 0/1; columns: 0, 90, 180, 270 degrees.
    static const E kTable[2][2][4] = {
        {{E::RotateNoneFlipNone, E::Rotate90FlipNone, E::Rotate180FlipNone, E::Rotate270FlipNone},
         {E::RotateNoneFlipX, E::Rotate270FlipX, E::Rotate180FlipX, E::Rotate90FlipX}},
        {{E::Rotate180FlipX, E::Rotate90FlipX, E::RotateNoneFlipX, E::Rotate270FlipX},
         {E::Rotate180FlipNone, E::Rotate270FlipNone, E::RotateNoneFlipNone, E::Rotate90FlipNone}}};
    int nColumn = 0;
    switch (nAngle)
    {
    case 0:
        nColumn = 0;
        break;
    case 90:
        nColumn = 1;
        break;
    case 180:
        nColumn = 2;
        break;
    case 270:
        nColumn = 3;
        break;
    default:
        return false;
    }
    const int nFlip = bFlip != 0 ? 1 : 0;
    const int nReverse = bReverse != 0 ? 1 : 0;
    if (nColumn == 0 && nFlip == 0 && nReverse == 0)
        return false;
    if (pOperation != nullptr)
        *pOperation = kTable[nFlip][nReverse][nColumn];
    return true;
}

QImage ApplyRotateFlip(const QImage& image, ERotateFlip eOperation)
{
    const int nOperation = static_cast<int>(eOperation);
    const int nQuarterTurns = nOperation & 3;
    // Quarter turns are exact pixel moves in QImage (no resampling).
    QImage result =
        nQuarterTurns != 0 ? image.transformed(QTransform().rotate(90.0 * nQuarterTurns)) : image;
    if (nOperation >= 4)
        result = result.mirrored(true, false);
    return result;
}

void RotateFlipImage(QImage* pImage, int32_t bFlip, int32_t bReverse, int32_t nAngle)
{
    ERotateFlip eOperation = ERotateFlip::RotateNoneFlipNone;
    if (pImage == nullptr || pImage->isNull() ||
        !RotateFlipFor(bFlip, bReverse, nAngle, &eOperation))
        return;
    *pImage = ApplyRotateFlip(*pImage, eOperation);
}

void ApplyVideoKey(QImage* pImage, const tagQVVideoKeyData& key)
{
    if (pImage == nullptr || pImage->isNull())
        return;
    QImage result = pImage->convertToFormat(QImage::Format_ARGB32);
    if (result.isNull())
        return;
    for (int y = 0; y < result.height(); ++y)
    {
        QRgb* pRow = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
        {
            const int nRed = qRed(pRow[x]);
            const int nGreen = qGreen(pRow[x]);
            const int nBlue = qBlue(pRow[x]);
            if (nRed >= key.nRedLow && nRed <= key.nRedHigh && nGreen >= key.nGreenLow &&
                nGreen <= key.nGreenHigh && nBlue >= key.nBlueLow && nBlue <= key.nBlueHigh)
                pRow[x] = 0;
        }
    }
    *pImage = result;
}

} // namespace qv
