#include "encode/CQVMultiplexer.h"

#include "encode/EncoderMapping.h"
#include "encode/HdrGrading.h"

#include <cstring>

namespace qv
{

namespace
{

// How far one stream may run ahead of the other, in seconds.
constexpr double kMaxLeadSeconds = 1.0;

} // namespace

int32_t CQVMultiplexer::Open(EQVContainer eContainer)
{
    Close();
    const char* pszMuxer = MuxerName(eContainer);
    if (pszMuxer == nullptr)
        return AVERROR_MUXER_NOT_FOUND;
    AVFormatContext* pRaw = nullptr;
    const int nResult = avformat_alloc_output_context2(&pRaw, nullptr, pszMuxer, nullptr);
    if (nResult < 0 || pRaw == nullptr)
        return nResult < 0 ? nResult : AVERROR(ENOMEM);
    m_pFormat.reset(pRaw);
    m_eContainer = eContainer;
    m_bQuickTimeKeys = false;
    return 0;
}

void CQVMultiplexer::SetSourceFacts(const tagQVSourceFacts& facts)
{
    if (!m_pFormat || m_bStarted || !facts.HasTags())
        return;
    const bool bQuickTime = m_eContainer == EQVContainer::Mp4 || m_eContainer == EQVContainer::Mov;
    if (!bQuickTime && m_eContainer != EQVContainer::Matroska)
        return;
    AVDictionary** ppTags = &m_pFormat->metadata;
    auto set = [ppTags](const char* pszKey, const std::string& value)
    {
        if (!value.empty())
            av_dict_set(ppTags, pszKey, value.c_str(), 0);
    };
    set("creation_time", facts.creationTime);
    set(bQuickTime ? "com.apple.quicktime.location.ISO6709" : "location", facts.location);
    set(bQuickTime ? "com.apple.quicktime.make" : "make", facts.make);
    set(bQuickTime ? "com.apple.quicktime.model" : "model", facts.model);
    m_bQuickTimeKeys = bQuickTime;
}

int32_t CQVMultiplexer::AddStream(const AVCodecContext* pEncoder)
{
    if (!m_pFormat || m_bStarted || pEncoder == nullptr)
        return AVERROR(EINVAL);
    AVStream* pStream = avformat_new_stream(m_pFormat.get(), nullptr);
    if (pStream == nullptr)
        return AVERROR(ENOMEM);
    const int nResult = avcodec_parameters_from_context(pStream->codecpar, pEncoder);
    if (nResult < 0)
        return nResult;
    pStream->time_base = pEncoder->time_base;
    // H.265 in MP4 as hvc1 rather than the muxer's hev1: the tag more players open.
    if (pEncoder->codec_id == AV_CODEC_ID_HEVC && m_eContainer == EQVContainer::Mp4)
        pStream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    if (pEncoder->codec_type == AVMEDIA_TYPE_VIDEO)
    {
        pStream->avg_frame_rate = pEncoder->framerate;
        pStream->r_frame_rate = pEncoder->framerate;
    }
    // The encoder's buffer and rate limits let the program-stream muxer size its rate.
    for (int i = 0; i < pEncoder->nb_coded_side_data; ++i)
    {
        const AVPacketSideData& side = pEncoder->coded_side_data[i];
        uint8_t* pData = av_stream_new_side_data(pStream, side.type, side.size);
        if (pData == nullptr)
            return AVERROR(ENOMEM);
        std::memcpy(pData, side.data, side.size);
    }
    m_streams.emplace_back();
    return pStream->index;
}

int32_t CQVMultiplexer::SetStreamGrading(int32_t nStream, const tagQVColorDescription& color)
{
    if (!m_pFormat || m_bStarted || nStream < 0 ||
        nStream >= static_cast<int32_t>(m_pFormat->nb_streams))
        return AVERROR(EINVAL);
    return AddGradingSideData(color, m_pFormat->streams[nStream]);
}

int32_t CQVMultiplexer::Start(AVIOContext* pIo)
{
    if (!m_pFormat || m_bStarted || pIo == nullptr || m_streams.empty())
        return AVERROR(EINVAL);
    m_pFormat->pb = pIo;
    AVDictionary* pOptions = nullptr;
    if (m_bQuickTimeKeys)
        av_dict_set(&pOptions, "movflags", "use_metadata_tags", 0);
    const int nResult = avformat_write_header(m_pFormat.get(), &pOptions);
    av_dict_free(&pOptions);
    if (nResult < 0)
        return nResult;
    m_bStarted = true;
    return 0;
}

bool CQVMultiplexer::MustWait(size_t nStream) const
{
    const double dMine = m_streams[nStream].dLastSeconds;
    for (size_t i = 0; i < m_streams.size(); ++i)
    {
        if (i != nStream && !m_streams[i].bEnded &&
            dMine > m_streams[i].dLastSeconds + kMaxLeadSeconds)
            return true;
    }
    return false;
}

int32_t CQVMultiplexer::WritePacket(int32_t nStream, AVPacket* pPacket, AVRational encoderTimeBase)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_bStarted || nStream < 0 || static_cast<size_t>(nStream) >= m_streams.size())
    {
        av_packet_unref(pPacket);
        return AVERROR(EINVAL);
    }
    const size_t nIndex = static_cast<size_t>(nStream);
    const int64_t nTime = pPacket->dts != AV_NOPTS_VALUE ? pPacket->dts : pPacket->pts;
    if (nTime != AV_NOPTS_VALUE)
        m_streams[nIndex].dLastSeconds = nTime * av_q2d(encoderTimeBase);
    m_progress.wait(lock, [&] { return m_bAborted || !MustWait(nIndex); });
    if (m_bAborted)
    {
        av_packet_unref(pPacket);
        return AVERROR_EXIT;
    }
    AVStream* pStream = m_pFormat->streams[nStream];
    pPacket->stream_index = nStream;
    av_packet_rescale_ts(pPacket, encoderTimeBase, pStream->time_base);
    int nResult = av_interleaved_write_frame(m_pFormat.get(), pPacket);
    // Most muxers do not report a failed write themselves: a full disk shows in the I/O.
    if (nResult >= 0 && m_pFormat->pb->error < 0)
        nResult = m_pFormat->pb->error;
    lock.unlock();
    m_progress.notify_all();
    return nResult;
}

void CQVMultiplexer::EndStream(int32_t nStream)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (nStream >= 0 && static_cast<size_t>(nStream) < m_streams.size())
            m_streams[static_cast<size_t>(nStream)].bEnded = true;
    }
    m_progress.notify_all();
}

int32_t CQVMultiplexer::Finish()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bStarted || m_bAborted)
        return AVERROR(EINVAL);
    for (const tagQVStreamState& stream : m_streams)
    {
        if (!stream.bEnded)
            return AVERROR(EINVAL);
    }
    int nResult = av_write_trailer(m_pFormat.get());
    m_bStarted = false;
    if (nResult >= 0 && m_pFormat->pb != nullptr && m_pFormat->pb->error < 0)
        nResult = m_pFormat->pb->error;
    return nResult;
}

void CQVMultiplexer::Abort()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bAborted = true;
    }
    m_progress.notify_all();
}

void CQVMultiplexer::Close()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_pFormat)
        m_pFormat->pb = nullptr; // the file sink owns it
    m_pFormat.reset();
    m_streams.clear();
    m_bStarted = false;
    m_bAborted = false;
}

int32_t CQVMultiplexer::DrainEncoder(int32_t nStream, AVCodecContext* pEncoder, AVPacket* pPacket)
{
    for (;;)
    {
        int nResult = avcodec_receive_packet(pEncoder, pPacket);
        if (nResult == AVERROR(EAGAIN) || nResult == AVERROR_EOF)
            return 0;
        if (nResult < 0)
            return nResult;
        nResult = WritePacket(nStream, pPacket, pEncoder->time_base);
        if (nResult < 0)
            return nResult;
    }
}

} // namespace qv
