#include "encode/CQVAudioEncoder.h"

#include "encode/CQVMultiplexer.h"
#include "encode/EncoderMapping.h"

extern "C"
{
#include <libavutil/samplefmt.h>
}

namespace qv
{

int32_t CQVAudioEncoder::Open(const tagQVEncodeSettings& settings, bool bGlobalHeader)
{
    Close();
    const AVCodec* pCodec = nullptr;
    int nAllocated = Allocate(AudioEncoderName(settings.eAudioCodec), &pCodec);
    if (nAllocated < 0)
        return nAllocated;
    int nResult = ApplyAudioSettings(settings, m_pContext.get(), bGlobalHeader);
    if (nResult >= 0)
        nResult = avcodec_open2(m_pContext.get(), pCodec, nullptr);
    if (nResult >= 0)
    {
        m_nFrameSize = m_pContext->frame_size > 0 ? m_pContext->frame_size : 1024;
        m_pFifo.reset(av_audio_fifo_alloc(m_pContext->sample_fmt, m_pContext->ch_layout.nb_channels,
                                          m_nFrameSize * 4));
        if (!m_pFifo)
            nResult = AVERROR(ENOMEM);
    }
    if (nResult < 0)
        Close();
    return nResult < 0 ? nResult : 0;
}

int32_t CQVAudioEncoder::Process(uint8_t** ppPlanes, int32_t nFrames)
{
    if (!m_pContext || m_pMultiplexer == nullptr)
        return AVERROR(EINVAL);
    if (nFrames > 0)
    {
        const int nWritten =
            av_audio_fifo_write(m_pFifo.get(), reinterpret_cast<void**>(ppPlanes), nFrames);
        if (nWritten < nFrames)
            return nWritten < 0 ? nWritten : AVERROR(ENOMEM);
    }
    while (av_audio_fifo_size(m_pFifo.get()) >= m_nFrameSize)
    {
        const int nResult = EncodeFromFifo(m_nFrameSize);
        if (nResult < 0)
            return nResult;
    }
    return 0;
}

int32_t CQVAudioEncoder::EncodeFromFifo(int32_t nFrames)
{
    const bool bShortAllowed =
        (m_pContext->codec->capabilities &
         (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
    const int32_t nFrameSamples = bShortAllowed ? nFrames : m_nFrameSize;
    av_frame_unref(m_pFrame.get());
    m_pFrame->nb_samples = nFrameSamples;
    m_pFrame->format = m_pContext->sample_fmt;
    m_pFrame->sample_rate = m_pContext->sample_rate;
    int nResult = av_channel_layout_copy(&m_pFrame->ch_layout, &m_pContext->ch_layout);
    if (nResult >= 0)
        nResult = av_frame_get_buffer(m_pFrame.get(), 0);
    if (nResult < 0)
        return nResult;
    const int nRead =
        av_audio_fifo_read(m_pFifo.get(), reinterpret_cast<void**>(m_pFrame->data), nFrames);
    if (nRead < 0)
        return nRead;
    if (nRead < nFrameSamples)
        av_samples_set_silence(m_pFrame->data, nRead, nFrameSamples - nRead,
                               m_pContext->ch_layout.nb_channels, m_pContext->sample_fmt);
    m_pFrame->pts = m_nNextPts;
    m_nNextPts += nFrameSamples;
    nResult = avcodec_send_frame(m_pContext.get(), m_pFrame.get());
    if (nResult < 0)
        return nResult;
    return Drain();
}

int32_t CQVAudioEncoder::Finish()
{
    if (!m_pContext || m_pMultiplexer == nullptr)
        return AVERROR(EINVAL);
    const int nLeft = av_audio_fifo_size(m_pFifo.get());
    if (nLeft > 0)
    {
        const int nResult = EncodeFromFifo(nLeft);
        if (nResult < 0)
            return nResult;
    }
    const int nResult = avcodec_send_frame(m_pContext.get(), nullptr);
    if (nResult < 0 && nResult != AVERROR_EOF)
        return nResult;
    return Drain();
}

void CQVAudioEncoder::Close()
{
    m_pFifo.reset();
    m_nFrameSize = 0;
    m_nNextPts = 0;
    Release();
}

} // namespace qv
