#include "media/CQVFFMpegAudioReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace qv
{

namespace
{

// A demuxer that keeps answering "try again" is broken; give up after this many.
constexpr int kMaxTryAgain = 100000;

// Stream start in seconds of stream time, 0 when unknown.
double StreamStart(const AVStream* pStream)
{
    if (pStream == nullptr || pStream->start_time == AV_NOPTS_VALUE)
        return 0.0;
    return QVRatio(pStream->time_base) * static_cast<double>(pStream->start_time);
}

} // namespace

CQVFFMpegAudioReader::CQVFFMpegAudioReader(const std::string& path)
{
    if (!Open(path))
        m_bFailed = 1;
}

CQVFFMpegAudioReader::~CQVFFMpegAudioReader()
{
    Close();
}

void CQVFFMpegAudioReader::Close()
{
    m_pResampler.reset();
    m_pFrame.reset();
    m_pPacket.reset();
    m_pCodec.reset();
    m_pFormat.reset();
    m_nAudioStreamIndex = -1;
    m_pAudioStream = nullptr;
    m_nResamplerChannels = 0;
    m_nResamplerFormat = -1;
    m_nResamplerInRate = 0;
    m_nResamplerOutRate = 0;
    m_bDrained = false;
    ClearQueue();
}

bool CQVFFMpegAudioReader::Open(const std::string& path)
{
    Close();
    m_pFormat = QVOpenInput(path);
    if (!m_pFormat)
        return false;
    const int nStream = QVFindFirstStream(m_pFormat.get(), AVMEDIA_TYPE_AUDIO);
    if (nStream < 0)
    {
        Close();
        return false;
    }
    AVStream* pStream = m_pFormat->streams[nStream];
    const AVCodec* pDecoder = avcodec_find_decoder(pStream->codecpar->codec_id);
    QVCodecPtr codec(pDecoder ? avcodec_alloc_context3(pDecoder) : nullptr);
    if (!codec || avcodec_parameters_to_context(codec.get(), pStream->codecpar) < 0)
    {
        Close();
        return false;
    }
    codec->pkt_timebase = pStream->time_base;
    if (avcodec_open2(codec.get(), pDecoder, nullptr) < 0)
    {
        Close();
        return false;
    }
    m_pFrame.reset(av_frame_alloc());
    m_pPacket.reset(av_packet_alloc());
    if (!m_pFrame || !m_pPacket)
    {
        Close();
        return false;
    }
    m_pCodec = std::move(codec);
    m_nAudioStreamIndex = nStream;
    m_pAudioStream = pStream;

    // Sound is timed against the pictures: both count from the start of the video stream
    // (MPEG program and transport streams do not start at 0).
    const int nVideo = QVFindFirstStream(m_pFormat.get(), AVMEDIA_TYPE_VIDEO);
    if (nVideo >= 0 && m_pFormat->streams[nVideo]->start_time != AV_NOPTS_VALUE)
        m_dOrigin = StreamStart(m_pFormat->streams[nVideo]);
    else if (m_pFormat->start_time != AV_NOPTS_VALUE)
        m_dOrigin = static_cast<double>(m_pFormat->start_time) / AV_TIME_BASE;
    else
        m_dOrigin = 0.0;
    m_dNextFrameTime = 0.0;
    return true;
}

bool CQVFFMpegAudioReader::MakeResampler(int nChannels, int nSampleFormat, int nSampleRate,
                                         int nOutputRate)
{
    m_pResampler.reset();
    m_nResamplerOutRate = 0;
    if (nChannels <= 0 || nSampleRate <= 0 || nOutputRate <= 0 || nSampleFormat < 0)
        return false;
    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, nChannels);
    AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* pRaw = nullptr;
    const int nResult =
        swr_alloc_set_opts2(&pRaw, &outLayout, AV_SAMPLE_FMT_S16, nOutputRate, &inLayout,
                            static_cast<AVSampleFormat>(nSampleFormat), nSampleRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    QVResamplerPtr resampler(pRaw);
    if (nResult < 0 || !resampler || swr_init(resampler.get()) < 0)
        return false;
    m_pResampler = std::move(resampler);
    m_nResamplerChannels = nChannels;
    m_nResamplerFormat = nSampleFormat;
    m_nResamplerInRate = nSampleRate;
    m_nResamplerOutRate = nOutputRate;
    return true;
}

SwrContext* CQVFFMpegAudioReader::SetupResampler(int nOutputRate)
{
    if (m_bFailed || !m_pCodec)
        return nullptr;
    if (!MakeResampler(m_pCodec->ch_layout.nb_channels, m_pCodec->sample_fmt, m_pCodec->sample_rate,
                       nOutputRate))
        return nullptr;
    return m_pResampler.get();
}

double CQVFFMpegAudioReader::FrameTime(const AVFrame* pFrame)
{
    int64_t nTimestamp = pFrame->pts;
    if (nTimestamp == AV_NOPTS_VALUE)
        nTimestamp = pFrame->best_effort_timestamp;
    if (nTimestamp == AV_NOPTS_VALUE)
        return m_dNextFrameTime;
    const double dTime =
        QVRatio(m_pAudioStream->time_base) * static_cast<double>(nTimestamp) - m_dOrigin;
    return dTime > 0.0 ? dTime : 0.0;
}

int CQVFFMpegAudioReader::ReadAudioPacket(int* pTryAgain)
{
    for (;;)
    {
        av_packet_unref(m_pPacket.get());
        const int nRead = av_read_frame(m_pFormat.get(), m_pPacket.get());
        if (nRead == AVERROR(EAGAIN) && ++*pTryAgain <= kMaxTryAgain)
            continue;
        if (nRead < 0 || m_pPacket->stream_index == m_nAudioStreamIndex)
            return nRead;
    }
}

double CQVFFMpegAudioReader::FirstAudioTime()
{
    if (m_bFailed || !m_pCodec)
        return 0.0;
    int nTryAgain = 0;
    for (;;)
    {
        if (ReadAudioPacket(&nTryAgain) < 0)
            return 0.0;
        if (m_pPacket->size <= 0)
            continue;
        const int nSent = avcodec_send_packet(m_pCodec.get(), m_pPacket.get());
        av_packet_unref(m_pPacket.get());
        if (nSent < 0)
            return 0.0;
        for (;;)
        {
            const int nReceived = avcodec_receive_frame(m_pCodec.get(), m_pFrame.get());
            if (nReceived == AVERROR(EAGAIN))
                break;
            if (nReceived < 0)
                return 0.0;
            const bool bStamped = m_pFrame->pts != AV_NOPTS_VALUE;
            const double dTime = FrameTime(m_pFrame.get());
            av_frame_unref(m_pFrame.get());
            if (bStamped)
                return dTime;
        }
    }
}

void CQVFFMpegAudioReader::Seek(double dSeconds)
{
    if (m_bFailed || !m_pCodec)
        return;
    m_dSeekTarget = dSeconds;
    m_dReadPosition = dSeconds;
    m_dPendingSilence -= dSeconds;
    if (m_dPendingSilence < 1e-5)
        m_dPendingSilence = -1.0;
    if (dSeconds >= 0.1 && m_dPendingSilence <= 0.0 && dSeconds - 0.5 > 0.001)
    {
        // Half a second early: the frames before the target are decoded and dropped.
        const int64_t nTimestamp =
            QVTruncToInt64((dSeconds - 0.5 + m_dOrigin) * static_cast<double>(AV_TIME_BASE));
        if (avformat_seek_file(m_pFormat.get(), -1, std::numeric_limits<int64_t>::min(), nTimestamp,
                               std::numeric_limits<int64_t>::max(), 0) >= 0)
        {
            // Sound buffered from the old position must not reach the new one.
            avcodec_flush_buffers(m_pCodec.get());
            m_pResampler.reset();
            m_bDrained = false;
            m_bEndOfStream = 0;
        }
    }
}

int CQVFFMpegAudioReader::DecodeChunk(int nOutputRate)
{
    if (m_bFailed || !m_pCodec || m_bDrained)
    {
        m_bEndOfStream = 1;
        return 0;
    }
    if (!m_pResampler || m_nResamplerOutRate != nOutputRate)
    {
        if (SetupResampler(nOutputRate) == nullptr)
        {
            m_bEndOfStream = 1;
            return 0;
        }
    }
    int nTryAgain = 0;
    if (ReadAudioPacket(&nTryAgain) < 0)
    {
        const int nQueued = DrainAtEnd(nOutputRate);
        m_bEndOfStream = 1;
        return nQueued;
    }
    if (m_pPacket->size <= 0)
    {
        m_bEndOfStream = 1;
        return 0;
    }
    const int nSent = avcodec_send_packet(m_pCodec.get(), m_pPacket.get());
    av_packet_unref(m_pPacket.get());
    if (nSent < 0)
        return 0; // a damaged packet is abandoned; the next one may decode
    return ReceiveAndQueue(nOutputRate);
}

int CQVFFMpegAudioReader::ReceiveAndQueue(int nOutputRate)
{
    int nQueued = 0;
    while (avcodec_receive_frame(m_pCodec.get(), m_pFrame.get()) == 0)
    {
        nQueued += QueueFrame(m_pFrame.get(), nOutputRate);
        av_frame_unref(m_pFrame.get());
    }
    return nQueued;
}

int CQVFFMpegAudioReader::DrainAtEnd(int nOutputRate)
{
    if (m_bDrained)
        return 0;
    m_bDrained = true;
    // The decoder's last frames come out only once it is told the input ended.
    int nQueued = 0;
    if (avcodec_send_packet(m_pCodec.get(), nullptr) >= 0)
        nQueued += ReceiveAndQueue(nOutputRate);
    if (m_pResampler && !m_conversion.empty())
    {
        uint8_t* pOut = reinterpret_cast<uint8_t*>(m_conversion.data());
        for (;;)
        {
            const int nFrames =
                swr_convert(m_pResampler.get(), &pOut, kConversionFrames, nullptr, 0);
            if (nFrames <= 0)
                break;
            nQueued += QueueConverted(nFrames, m_dNextFrameTime);
            m_dNextFrameTime += static_cast<double>(nFrames) / m_nResamplerOutRate;
        }
    }
    return nQueued;
}

int CQVFFMpegAudioReader::QueueFrame(const AVFrame* pFrame, int nOutputRate)
{
    const double dTime = FrameTime(pFrame);
    if (pFrame->sample_rate > 0)
        m_dNextFrameTime = dTime + static_cast<double>(pFrame->nb_samples) / pFrame->sample_rate;
    if (dTime < m_dSeekTarget)
    {
        m_dLastSkippedTime = dTime;
        return 0;
    }
    // A stream may change its layout midway; the converter must read what the frame holds.
    if (!m_pResampler || pFrame->ch_layout.nb_channels != m_nResamplerChannels ||
        pFrame->format != m_nResamplerFormat || pFrame->sample_rate != m_nResamplerInRate ||
        nOutputRate != m_nResamplerOutRate)
    {
        if (!MakeResampler(pFrame->ch_layout.nb_channels, pFrame->format, pFrame->sample_rate,
                           nOutputRate))
            return 0;
    }
    if (m_conversion.empty())
        m_conversion.resize(static_cast<size_t>(kConversionFrames) * 2);

    // Each conversion asks for no more than the buffer holds; what a frame gives beyond
    // that stays in the resampler and is taken in further pieces (input count 0 without
    // a null input, which would end the stream).
    uint8_t* pOut = reinterpret_cast<uint8_t*>(m_conversion.data());
    const int nRequest = std::min(nOutputRate, kConversionFrames);
    const uint8_t** ppIn = const_cast<const uint8_t**>(pFrame->extended_data);
    int nInput = pFrame->nb_samples;
    int nQueued = 0;
    for (;;)
    {
        const int nFrames = swr_convert(m_pResampler.get(), &pOut, nRequest, ppIn, nInput);
        if (nFrames <= 0)
            break;
        const double dPieceTime =
            dTime + static_cast<double>(nQueued - nFrames) / static_cast<double>(nOutputRate);
        nQueued += QueueConverted(nFrames, dPieceTime);
        if (nFrames < nRequest)
            break;
        nInput = 0;
    }
    return nQueued;
}

int CQVFFMpegAudioReader::QueueConverted(int nFrames, double dTime)
{
    tagQVFFMpegBackupAudioItem item;
    item.bSilent = 0;
    item.nSampleCount = nFrames;
    item.dTime = dTime < 0.0001 ? 0.0 : dTime;
    item.samples.assign(m_conversion.begin(), m_conversion.begin() + size_t(nFrames) * 2);
    m_queue.push_back(std::move(item));
    return nFrames;
}

int CQVFFMpegAudioReader::Fill(int16_t* pDestination, int nCount, int nOutputRate)
{
    if (pDestination == nullptr || nCount <= 0 || nOutputRate <= 0)
        return 0;
    m_dReadPosition += static_cast<double>(nCount) / nOutputRate;

    if (m_dPendingSilence > 0.0001)
    {
        const int64_t nFrames = QVTruncToInt64(nOutputRate * m_dPendingSilence);
        if (nFrames > 0 && nFrames <= std::numeric_limits<int32_t>::max() / 2)
        {
            tagQVFFMpegBackupAudioItem item;
            item.bSilent = 1;
            item.nSampleCount = static_cast<int32_t>(nFrames);
            item.dTime = m_dPendingSilence;
            item.samples.assign(size_t(nFrames) * 2, 0);
            m_queue.push_back(std::move(item));
        }
        m_dPendingSilence = -1.0;
    }

    int nQueued = 0;
    while (!m_bEndOfStream && nQueued <= nCount)
        nQueued += DecodeChunk(nOutputRate);

    if (m_queue.empty())
        return 0;
    const double dFrameRate = m_dOutputFrameRate >= kQVMediaEpsilon ? m_dOutputFrameRate : 30.0;
    const tagQVFFMpegBackupAudioItem& first = m_queue.front();
    if (!first.bSilent && first.dTime > m_dReadPosition + 2.0 / dFrameRate)
        return 0; // the sound for this block lies ahead

    int nDelivered = 0;
    for (tagQVFFMpegBackupAudioItem& item : m_queue)
    {
        if (nDelivered >= nCount)
            break;
        if (item.nSampleCount <= 0)
            continue;
        const int nTake = std::min(item.nSampleCount, nCount - nDelivered);
        std::memcpy(pDestination + size_t(nDelivered) * 2, item.samples.data(),
                    size_t(nTake) * 2 * sizeof(int16_t));
        nDelivered += nTake;
        if (nTake == item.nSampleCount)
        {
            item.nSampleCount = 0;
            item.samples.clear();
        }
        else
        {
            item.samples.erase(item.samples.begin(), item.samples.begin() + size_t(nTake) * 2);
            item.nSampleCount -= nTake;
        }
    }
    while (!m_queue.empty() && m_queue.front().nSampleCount <= 0)
        m_queue.pop_front();
    return nDelivered > 0 ? 1 : 0;
}

int16_t* CQVFFMpegAudioReader::GetSamples(int nCount, int nOutputRate)
{
    if (nCount <= 0)
        return nullptr;
    // Grows with a larger request instead of writing past the first call's size.
    const size_t nValues = size_t(nCount) * 2;
    if (m_sampleBuffer.size() < nValues)
        m_sampleBuffer.resize(nValues);
    std::fill(m_sampleBuffer.begin(), m_sampleBuffer.begin() + nValues, 0);
    if (Fill(m_sampleBuffer.data(), nCount, nOutputRate) == 0)
        return nullptr;
    return m_sampleBuffer.data();
}

} // namespace qv
