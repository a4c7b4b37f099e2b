#include "media/MediaInfoProbe.h"

#include "media/FFMpegCommon.h"

namespace qv
{

namespace
{

double ProbeDuration(const AVFormatContext* pFormat, const AVStream* pStream)
{
    if (pFormat->duration != AV_NOPTS_VALUE && pFormat->duration > 0)
        return static_cast<double>(pFormat->duration) / 1000000.0;
    if (pStream != nullptr && pStream->duration != AV_NOPTS_VALUE && pStream->duration > 0)
        return QVRatio(pStream->time_base) * static_cast<double>(pStream->duration);
    return 0.0;
}

} // namespace

int GetMediaInfoEx(const std::string& path, int* pbHasVideo, int* pbHasAudio, int* pnWidth,
                   int* pnHeight, double* pdDuration, int64_t* pnExtra)
{
    QVFormatPtr format = QVOpenInput(path);
    if (!format)
        return 0;
    const int nVideo = QVFindFirstStream(format.get(), AVMEDIA_TYPE_VIDEO);
    const int nAudio = QVFindFirstStream(format.get(), AVMEDIA_TYPE_AUDIO);
    const AVStream* pVideo = nVideo >= 0 ? format->streams[nVideo] : nullptr;
    const AVStream* pAudio = nAudio >= 0 ? format->streams[nAudio] : nullptr;

    if (pbHasVideo)
        *pbHasVideo = pVideo ? 1 : 0;
    if (pbHasAudio)
        *pbHasAudio = pAudio ? 1 : 0;
    if (pnWidth)
        *pnWidth = pVideo ? pVideo->codecpar->width : 0;
    if (pnHeight)
        *pnHeight = pVideo ? pVideo->codecpar->height : 0;
    if (pdDuration)
        *pdDuration = ProbeDuration(format.get(), pVideo ? pVideo : pAudio);
    if (pnExtra)
        *pnExtra = 0;
    return 1;
}

} // namespace qv
