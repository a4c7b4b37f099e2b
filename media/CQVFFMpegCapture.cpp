#include "media/CQVFFMpegCapture.h"

namespace qv
{

CQVFFMpegCapture::CQVFFMpegCapture(const std::string& path, int nDestWidth, int nDestHeight,
                                   bool bFlip)
    : CQVFFMpegCaptureBase(path, nDestWidth, nDestHeight, bFlip)
{
    if (!Open(path))
        m_bFailed = 1;
}

bool CQVFFMpegCapture::Open(const std::string& path)
{
    if (!OpenInputFile(path))
        return false;
    if (!OpenVideoStream(QVFindFirstStream(Format(), AVMEDIA_TYPE_VIDEO)))
    {
        Close();
        return false;
    }
    return true;
}

bool CQVFFMpegCapture::GetFrameAtTime(double dSeconds)
{
    if (!PositionAt(dSeconds) && !HasVideo())
        return false;
    return ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool CQVFFMpegCapture::PositionAt(double dSeconds)
{
    if (!HasVideo())
        return false;
    PositionNear(dSeconds);
    // A picture stamped 0 has a timestamp too: only a stream without any is left where the
    // positioning put it.
    if (PictureTimestamp() != AV_NOPTS_VALUE)
    {
        const double dUntil = dSeconds - 1.0 - TimestampTolerance();
        while (PtsToSeconds(PictureTimestamp()) < dUntil)
        {
            if (!ReadNextFrame())
                break;
        }
    }
    return HasPicture();
}

} // namespace qv
