#include "probe/MediaInfoProbe.h"

#include "probe/FFmpegCommon.h"

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

int ProbeMediaInfo(const std::string& path, tagQVMediaInfo* pInfo)
{
    if (pInfo == nullptr)
        return 0;
    QVFormatPtr format = QVOpenInput(path);
    if (!format)
        return 0;
    const int nVideo = QVFindFirstStream(format.get(), AVMEDIA_TYPE_VIDEO);
    const int nAudio = QVFindFirstStream(format.get(), AVMEDIA_TYPE_AUDIO);
    const AVStream* pVideo = nVideo >= 0 ? format->streams[nVideo] : nullptr;
    const AVStream* pAudio = nAudio >= 0 ? format->streams[nAudio] : nullptr;

    tagQVMediaInfo info;
    info.bHasVideo = pVideo ? 1 : 0;
    info.bHasAudio = pAudio ? 1 : 0;
    if (pVideo)
    {
        info.turn = QVDisplayTurnOfStream(pVideo);
        QVDisplayedSize(info.turn, pVideo->codecpar->width, pVideo->codecpar->height, &info.nWidth,
                        &info.nHeight);
        info.dFrameRate = QVRatio(pVideo->r_frame_rate);
        info.dAverageFrameRate = QVRatio(pVideo->avg_frame_rate);
        info.color = QVCompleteDescription(QVDescriptionOfStream(pVideo), pVideo->codecpar->width,
                                           pVideo->codecpar->height, pVideo->codecpar->format);
    }
    info.dDuration = ProbeDuration(format.get(), pVideo ? pVideo : pAudio);
    *pInfo = info;
    return 1;
}

int GetMediaInfoEx(const std::string& path, int* pbHasVideo, int* pbHasAudio, int* pnWidth,
                   int* pnHeight, double* pdDuration, int64_t* pnExtra)
{
    tagQVMediaInfo info;
    if (!ProbeMediaInfo(path, &info))
        return 0;
    if (pbHasVideo)
        *pbHasVideo = info.bHasVideo;
    if (pbHasAudio)
        *pbHasAudio = info.bHasAudio;
    if (pnWidth)
        *pnWidth = info.nWidth;
    if (pnHeight)
        *pnHeight = info.nHeight;
    if (pdDuration)
        *pdDuration = info.dDuration;
    if (pnExtra)
        *pnExtra = 0;
    return 1;
}

} // namespace qv
