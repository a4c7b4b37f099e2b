#include "probe/CQVFFMpegStillCapture.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstring>

namespace qv
{

CQVFFMpegStillCapture::CQVFFMpegStillCapture(const std::string& path, bool bSizeFromStream)
    : CQVFFMpegCaptureBase(path, kMinWidth, kMinHeight, false), m_bSizeFromStream(bSizeFromStream)
{
    if (!Open(path))
        m_bFailed = 1;
}

bool CQVFFMpegStillCapture::Open(const std::string& path)
{
    if (!OpenInputFile(path))
        return false;
    const int nVideo = QVFindFirstStream(Format(), AVMEDIA_TYPE_VIDEO);
    const int nAudio = QVFindFirstStream(Format(), AVMEDIA_TYPE_AUDIO);
    if (nVideo < 0 && nAudio < 0)
    {
        Close();
        return false;
    }
    if (nVideo >= 0)
    {
        m_nDestWidth = kMinWidth;
        m_nDestHeight = kMinHeight;
        if (m_bSizeFromStream)
        {
            // The size as the picture is shown: a portrait phone video stands upright.
            const AVStream* pStream = Format()->streams[nVideo];
            int nWidth = 0;
            int nHeight = 0;
            QVDisplayedSize(QVDisplayTurnOfStream(pStream), pStream->codecpar->width,
                            pStream->codecpar->height, &nWidth, &nHeight);
            // The source's own pixels, whatever their size: the dialog's zoom shows them.
            if (nWidth > 0 && nHeight > 0)
            {
                m_nDestWidth = nWidth;
                m_nDestHeight = nHeight;
            }
        }
        if (!OpenVideoStream(nVideo))
        {
            Close();
            return false;
        }
    }
    if (nAudio >= 0)
    {
        m_nAudioStreamIndex = nAudio;
        m_pAudioStream = Format()->streams[nAudio];
    }
    return true;
}

bool CQVFFMpegStillCapture::GetFrameAtTime(double dSeconds)
{
    if (!HasVideo())
        return false;
    PositionNear(dSeconds);
    // A picture that the container's rounding stamped a little before t counts as at t.
    const double dUntil = dSeconds - TimestampTolerance();
    while (PictureTimestamp() != AV_NOPTS_VALUE && PtsToSeconds(PictureTimestamp()) < dUntil)
    {
        if (!ReadNextFrame())
            break;
    }
    return HasPicture();
}

bool CQVFFMpegStillCapture::SaveFrameAsJpeg(double dSeconds, const std::string& jpegPath)
{
    if (Failed() || !HasVideo())
        return false;
    if (!GetFrameAtTime(dSeconds))
        return false;
    uint8_t* pData = nullptr;
    int nStride = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nBytesPerPixel = 0;
    if (!ConvertFrame(&pData, &nStride, &nWidth, &nHeight, &nBytesPerPixel))
        return false;
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(image.scanLine(y), pData + static_cast<ptrdiff_t>(y) * nStride,
                    static_cast<size_t>(nWidth) * 4);
    return image.save(QString::fromStdString(jpegPath), "JPEG");
}

} // namespace qv
