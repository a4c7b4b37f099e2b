#include "probe/MediaInfoProbe.h"

#include "probe/FFmpegCommon.h"

extern "C"
{
#include <libavcodec/avcodec.h>
}

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

// Packets read before giving up on a first picture.
constexpr int kMaxProbePackets = 256;

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

int ProbeFirstPictureGrading(const std::string& path, tagQVColorDescription* pColor)
{
    if (pColor == nullptr)
        return 0;
    QVFormatPtr format = QVOpenInput(path);
    const int nVideo = format ? QVFindFirstStream(format.get(), AVMEDIA_TYPE_VIDEO) : -1;
    if (nVideo < 0)
        return 0;
    const AVCodecParameters* pParameters = format->streams[nVideo]->codecpar;
    const AVCodec* pDecoder = avcodec_find_decoder(pParameters->codec_id);
    QVCodecPtr codec(pDecoder ? avcodec_alloc_context3(pDecoder) : nullptr);
    QVPacketPtr packet(av_packet_alloc());
    QVFramePtr frame(av_frame_alloc());
    if (!codec || !packet || !frame ||
        avcodec_parameters_to_context(codec.get(), pParameters) < 0 ||
        avcodec_open2(codec.get(), pDecoder, nullptr) < 0)
        return 0;
    int nResult = AVERROR(EAGAIN);
    for (int n = 0; n < kMaxProbePackets && nResult == AVERROR(EAGAIN); ++n)
    {
        const bool bEnd = av_read_frame(format.get(), packet.get()) < 0;
        if (!bEnd && packet->stream_index != nVideo)
        {
            av_packet_unref(packet.get());
            continue;
        }
        nResult = avcodec_send_packet(codec.get(), bEnd ? nullptr : packet.get());
        av_packet_unref(packet.get());
        if (nResult < 0 && nResult != AVERROR(EAGAIN))
            return 0;
        nResult = avcodec_receive_frame(codec.get(), frame.get());
        if (bEnd && nResult == AVERROR(EAGAIN))
            return 0;
    }
    if (nResult < 0)
        return 0;
    QVTakeFrameGrading(*frame, pColor);
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
