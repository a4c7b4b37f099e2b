#include "probe/FFmpegCommon.h"

#include <cmath>
#include <limits>
#include <string>
#include <thread>

extern "C"
{
#include <libavutil/log.h>
}

namespace qv
{

double QVRatio(int64_t nNumerator, int64_t nDenominator)
{
    if (nNumerator == 0 || nDenominator == 0)
        return 0.0;
    return static_cast<double>(nNumerator) / static_cast<double>(nDenominator);
}

int64_t QVTruncToInt64(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    if (dValue >= kLimit)
        return std::numeric_limits<int64_t>::max();
    if (dValue <= -kLimit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(dValue);
}

int QVProcessorCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

void QVSilenceFFmpegLog()
{
    av_log_set_level(AV_LOG_QUIET);
}

bool QVIsFullRangeFormat(int nFormat)
{
    switch (nFormat)
    {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return false;
    }
}

bool QVIsFullRange(const AVFrame& frame)
{
    return QVIsFullRangeFormat(frame.format) || frame.color_range == AVCOL_RANGE_JPEG;
}

int QVFindFirstStream(const AVFormatContext* pFormat, AVMediaType eType)
{
    if (pFormat == nullptr)
        return -1;
    for (unsigned i = 0; i < pFormat->nb_streams; ++i)
    {
        const AVStream* pStream = pFormat->streams[i];
        if (pStream->codecpar->codec_type != eType)
            continue;
        if (eType == AVMEDIA_TYPE_VIDEO && (pStream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        return static_cast<int>(i);
    }
    return -1;
}

QVFormatPtr QVOpenInput(const std::string& path)
{
    // Sources are local files: a name that reads as a network address must not make a
    // reader wait on the network.
    AVDictionary* pOptions = nullptr;
    av_dict_set(&pOptions, "protocol_whitelist", "file", 0);
    AVFormatContext* pRaw = nullptr;
    const int nOpened = avformat_open_input(&pRaw, path.c_str(), nullptr, &pOptions);
    av_dict_free(&pOptions);
    if (nOpened != 0)
        return nullptr;
    QVFormatPtr format(pRaw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return nullptr;
    return format;
}

} // namespace qv
