#include "compose/FrameImage.h"

#include <cstring>

namespace qv
{

int64_t FrameBytes(int nWidth, int nHeight)
{
    if (nWidth <= 0 || nHeight <= 0)
        return 0;
    return int64_t(nWidth) * nHeight * 4;
}

void ClearFrame(uint8_t* pFrame, int nWidth, int nHeight)
{
    if (pFrame != nullptr)
        std::memset(pFrame, 0, static_cast<size_t>(FrameBytes(nWidth, nHeight)));
}

QImage FrameToImage(const uint8_t* pFrame, int nWidth, int nHeight)
{
    if (pFrame == nullptr || FrameBytes(nWidth, nHeight) == 0)
        return QImage();
    QImage image(nWidth, nHeight, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const size_t nRowBytes = static_cast<size_t>(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(image.scanLine(y), pFrame + int64_t(nHeight - 1 - y) * nRowBytes, nRowBytes);
    return image;
}

bool DrawImageToFrame(const QImage& image, uint8_t* pFrame, int nWidth, int nHeight)
{
    if (image.isNull() || pFrame == nullptr || FrameBytes(nWidth, nHeight) == 0)
        return false;
    QImage source = image;
    if (source.width() != nWidth || source.height() != nHeight)
        source = source.scaled(nWidth, nHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    source = source.convertToFormat(QImage::Format_ARGB32);
    if (source.isNull())
        return false;
    const size_t nRowBytes = static_cast<size_t>(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(pFrame + int64_t(nHeight - 1 - y) * nRowBytes, source.constScanLine(y),
                    nRowBytes);
    return true;
}

} // namespace qv
