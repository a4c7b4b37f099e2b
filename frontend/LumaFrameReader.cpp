#include "frontend/LumaFrameReader.h"

namespace qv
{

namespace
{

const int kPlaneAlign = 32;

int AlignUp(int nValue)
{
    return (nValue + kPlaneAlign - 1) / kPlaneAlign * kPlaneAlign;
}

bool Cancelled(const std::atomic<bool>* pCancel)
{
    return pCancel && pCancel->load();
}

// Full-range pictures (the "J" formats, or a frame that says so) have black at 0, not 16.
bool IsFullRange(const AVFrame* pFrame)
{
    switch (pFrame->format)
    {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return pFrame->color_range == AVCOL_RANGE_JPEG;
    }
}

} // namespace

bool CQVLumaFrameReader::Open(const std::string& path)
{
    m_pFormat = QVOpenInput(path);
    if (!m_pFormat)
        return false;
    m_nStream = QVFindFirstStream(m_pFormat.get(), AVMEDIA_TYPE_VIDEO);
    if (m_nStream < 0)
        return false;
    const AVStream* pStream = m_pFormat->streams[m_nStream];
    const AVCodec* pDecoder = avcodec_find_decoder(pStream->codecpar->codec_id);
    if (!pDecoder)
        return false;
    m_pCodec.reset(avcodec_alloc_context3(pDecoder));
    if (!m_pCodec || avcodec_parameters_to_context(m_pCodec.get(), pStream->codecpar) < 0)
        return false;
    m_pCodec->pkt_timebase = pStream->time_base;
    m_pCodec->thread_count = QVProcessorCount();
    if (avcodec_open2(m_pCodec.get(), pDecoder, nullptr) < 0)
        return false;
    m_nWidth = pStream->codecpar->width;
    m_nHeight = pStream->codecpar->height;
    if (m_nWidth <= 0 || m_nHeight <= 0 || m_nWidth > 16384 || m_nHeight > 16384)
        return false;
    m_pFrame.reset(av_frame_alloc());
    m_pReceive.reset(av_frame_alloc());
    m_pPacket.reset(av_packet_alloc());
    m_nLumaStride = AlignUp(m_nWidth);
    m_nChromaStride = AlignUp((m_nWidth + 1) / 2);
    m_nChromaHeight = (m_nHeight + 1) / 2;
    const size_t nBytes = static_cast<size_t>(m_nLumaStride) * m_nHeight +
                          2 * static_cast<size_t>(m_nChromaStride) * m_nChromaHeight;
    m_pPlanes.reset(static_cast<uint8_t*>(av_malloc(nBytes)));
    return m_pFrame && m_pReceive && m_pPacket && m_pPlanes;
}

double CQVLumaFrameReader::Duration() const
{
    if (!m_pFormat)
        return 0;
    if (m_pFormat->duration != AV_NOPTS_VALUE && m_pFormat->duration > 0)
        return m_pFormat->duration / static_cast<double>(AV_TIME_BASE);
    const AVStream* pStream = m_pFormat->streams[m_nStream];
    if (pStream->duration != AV_NOPTS_VALUE && pStream->duration > 0)
        return QVRatio(pStream->time_base) * static_cast<double>(pStream->duration);
    return 0;
}

int CQVLumaFrameReader::Receive()
{
    const int nResult = avcodec_receive_frame(m_pCodec.get(), m_pReceive.get());
    if (nResult == 0)
    {
        av_frame_unref(m_pFrame.get());
        av_frame_move_ref(m_pFrame.get(), m_pReceive.get());
        return 1;
    }
    if (nResult == AVERROR(EAGAIN))
        return 0;
    // A broken picture is no end while input remains; once drained, nothing more comes.
    return m_bDraining ? -1 : 0;
}

bool CQVLumaFrameReader::NextPicture(const std::atomic<bool>* pCancel)
{
    if (!m_pCodec)
        return false;
    for (;;)
    {
        const int nReceived = Receive();
        if (nReceived != 0)
            return nReceived > 0;
        if (Cancelled(pCancel))
            return false;
        const int nRead = av_read_frame(m_pFormat.get(), m_pPacket.get());
        if (nRead == AVERROR(EAGAIN))
            continue;
        if (nRead < 0)
        {
            // The end of the file: the decoder hands out the pictures it still holds.
            if (m_bDraining)
                return false;
            m_bDraining = true;
            avcodec_send_packet(m_pCodec.get(), nullptr);
            continue;
        }
        if (m_pPacket->stream_index == m_nStream)
            avcodec_send_packet(m_pCodec.get(), m_pPacket.get()); // a bad packet is a miss
        av_packet_unref(m_pPacket.get());
    }
}

bool CQVLumaFrameReader::ConvertLuma()
{
    const AVFrame* pFrame = m_pFrame.get();
    if (!pFrame->data[0] || pFrame->width <= 0 || pFrame->height <= 0)
        return false;
    const int nRange = IsFullRange(pFrame) ? 1 : 0;
    // A stream may change its picture size or format on the way.
    if (!m_pScaler || m_nScalerFormat != pFrame->format || m_nScalerRange != nRange ||
        m_nScalerWidth != pFrame->width || m_nScalerHeight != pFrame->height)
    {
        m_pScaler.reset(sws_getContext(
            pFrame->width, pFrame->height, static_cast<AVPixelFormat>(pFrame->format), m_nWidth,
            m_nHeight, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_pScaler)
            return false;
        const int* pCoefficients = sws_getCoefficients(SWS_CS_DEFAULT);
        sws_setColorspaceDetails(m_pScaler.get(), pCoefficients, nRange, pCoefficients, 0, 0,
                                 1 << 16, 1 << 16);
        m_nScalerFormat = pFrame->format;
        m_nScalerRange = nRange;
        m_nScalerWidth = pFrame->width;
        m_nScalerHeight = pFrame->height;
    }
    uint8_t* pLuma = m_pPlanes.get();
    uint8_t* pCb = pLuma + static_cast<size_t>(m_nLumaStride) * m_nHeight;
    uint8_t* pCr = pCb + static_cast<size_t>(m_nChromaStride) * m_nChromaHeight;
    uint8_t* const planes[4] = {pLuma, pCb, pCr, nullptr};
    const int strides[4] = {m_nLumaStride, m_nChromaStride, m_nChromaStride, 0};
    return sws_scale(m_pScaler.get(), pFrame->data, pFrame->linesize, 0, pFrame->height, planes,
                     strides) > 0;
}

bool CQVLumaFrameReader::ReadLumaAt(double dSeconds, const std::atomic<bool>* pCancel,
                                    int64_t* pnTimestamp)
{
    if (!m_pCodec)
        return false;
    const AVStream* pStream = m_pFormat->streams[m_nStream];
    const double dTimeBase = QVRatio(pStream->time_base);
    if (dTimeBase <= 0)
        return false;
    const int64_t nStart = pStream->start_time != AV_NOPTS_VALUE ? pStream->start_time : 0;
    const int64_t nTarget = nStart + QVTruncToInt64(dSeconds / dTimeBase);
    // A file that cannot seek is read on from where it is.
    if (av_seek_frame(m_pFormat.get(), m_nStream, nTarget, AVSEEK_FLAG_BACKWARD) >= 0)
    {
        avcodec_flush_buffers(m_pCodec.get());
        m_bDraining = false;
    }
    bool bHave = false;
    for (int n = 0; n < kMaxPicturesPerSeek && NextPicture(pCancel); ++n)
    {
        bHave = true;
        const int64_t nTimestamp = m_pFrame->best_effort_timestamp;
        if (nTimestamp == AV_NOPTS_VALUE || nTimestamp >= nTarget)
            break;
    }
    if (!bHave || Cancelled(pCancel) || !ConvertLuma())
        return false;
    if (pnTimestamp)
        *pnTimestamp = m_pFrame->best_effort_timestamp;
    return true;
}

bool CQVLumaFrameReader::ReadNextLuma(const std::atomic<bool>* pCancel, int64_t* pnTimestamp)
{
    if (!NextPicture(pCancel) || !ConvertLuma())
        return false;
    if (pnTimestamp)
        *pnTimestamp = m_pFrame->best_effort_timestamp;
    return true;
}

} // namespace qv
