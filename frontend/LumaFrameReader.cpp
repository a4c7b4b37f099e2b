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
    m_nStoredWidth = pStream->codecpar->width;
    m_nStoredHeight = pStream->codecpar->height;
    if (m_nStoredWidth <= 0 || m_nStoredHeight <= 0 || m_nStoredWidth > 16384 ||
        m_nStoredHeight > 16384)
        return false;
    // A matrix that is no plain turn leaves the identity: pictures as stored, as the
    // still capture shows them.
    m_turn = QVDisplayTurnOfStream(pStream);
    QVDisplayedSize(m_turn, m_nStoredWidth, m_nStoredHeight, &m_nWidth, &m_nHeight);
    m_pFrame.reset(av_frame_alloc());
    m_pReceive.reset(av_frame_alloc());
    m_pPacket.reset(av_packet_alloc());
    m_nLumaStride = AlignUp(m_nStoredWidth);
    m_nChromaStride = AlignUp((m_nStoredWidth + 1) / 2);
    m_nChromaHeight = (m_nStoredHeight + 1) / 2;
    const size_t nBytes = static_cast<size_t>(m_nLumaStride) * m_nStoredHeight +
                          2 * static_cast<size_t>(m_nChromaStride) * m_nChromaHeight;
    m_pPlanes.reset(static_cast<uint8_t*>(av_malloc(nBytes)));
    if (!m_turn.IsIdentity())
    {
        m_nUprightStride = AlignUp(m_nWidth);
        m_pUpright.reset(
            static_cast<uint8_t*>(av_malloc(static_cast<size_t>(m_nUprightStride) * m_nHeight)));
        if (!m_pUpright)
            return false;
    }
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
    const int nRange = QVIsFullRange(*pFrame) ? 1 : 0;
    // A stream may change its picture size or format on the way.
    if (!m_pScaler || m_nScalerFormat != pFrame->format || m_nScalerRange != nRange ||
        m_nScalerWidth != pFrame->width || m_nScalerHeight != pFrame->height)
    {
        m_pScaler.reset(sws_getContext(pFrame->width, pFrame->height,
                                       static_cast<AVPixelFormat>(pFrame->format), m_nStoredWidth,
                                       m_nStoredHeight, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                       nullptr, nullptr));
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
    uint8_t* pCb = pLuma + static_cast<size_t>(m_nLumaStride) * m_nStoredHeight;
    uint8_t* pCr = pCb + static_cast<size_t>(m_nChromaStride) * m_nChromaHeight;
    uint8_t* const planes[4] = {pLuma, pCb, pCr, nullptr};
    const int strides[4] = {m_nLumaStride, m_nChromaStride, m_nChromaStride, 0};
    if (sws_scale(m_pScaler.get(), pFrame->data, pFrame->linesize, 0, pFrame->height, planes,
                  strides) <= 0)
        return false;
    if (!m_turn.IsIdentity())
        TurnLuma();
    return true;
}

void CQVLumaFrameReader::TurnLuma()
{
    // Displayed row y is a stored column (transposed) or row, read from its first stored
    // pixel in steps of one pixel or one stored row, backwards where the turn flips.
    const uint8_t* pStored = m_pPlanes.get();
    const ptrdiff_t nAlong = m_turn.bTranspose ? (m_turn.bFlipY ? -m_nLumaStride : m_nLumaStride)
                                               : (m_turn.bFlipX ? -1 : 1);
    for (int y = 0; y < m_nHeight; ++y)
    {
        int sx = m_turn.bTranspose ? y : 0;
        int sy = m_turn.bTranspose ? 0 : y;
        if (m_turn.bFlipX)
            sx = m_nStoredWidth - 1 - sx;
        if (m_turn.bFlipY)
            sy = m_nStoredHeight - 1 - sy;
        const uint8_t* pSource = pStored + static_cast<ptrdiff_t>(sy) * m_nLumaStride + sx;
        uint8_t* pRow = m_pUpright.get() + static_cast<ptrdiff_t>(y) * m_nUprightStride;
        for (int x = 0; x < m_nWidth; ++x, pSource += nAlong)
            pRow[x] = *pSource;
    }
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
