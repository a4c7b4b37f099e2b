#include "encode/CQVAudioConverter.h"

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace qv
{

int32_t CQVAudioConverter::Open(const tagQVWaveFormatEx& input, const AVCodecContext* pEncoder)
{
    Close();
    if (pEncoder == nullptr || input.wBitsPerSample != 16 || input.nChannels < 1)
        return AVERROR(EINVAL);
    AVChannelLayout inputLayout;
    av_channel_layout_default(&inputLayout, input.nChannels);
    AVChannelLayout outputLayout;
    int nResult = av_channel_layout_copy(&outputLayout, &pEncoder->ch_layout);
    if (nResult < 0)
        return nResult;
    SwrContext* pRaw = nullptr;
    nResult = swr_alloc_set_opts2(&pRaw, &outputLayout, pEncoder->sample_fmt, pEncoder->sample_rate,
                                  &inputLayout, AV_SAMPLE_FMT_S16,
                                  static_cast<int>(input.nSamplesPerSec), 0, nullptr);
    m_pResampler.reset(pRaw);
    // A mono downmix of full-scale stereo must not clip: L/2 + R/2.
    if (nResult >= 0)
        nResult = av_opt_set_double(m_pResampler.get(), "rematrix_maxval", 1.0, 0);
    if (nResult >= 0)
        nResult = swr_init(m_pResampler.get());
    m_nChannels = outputLayout.nb_channels;
    m_eFormat = pEncoder->sample_fmt;
    av_channel_layout_uninit(&outputLayout);
    av_channel_layout_uninit(&inputLayout);
    if (nResult < 0)
        Close();
    return nResult < 0 ? nResult : 0;
}

int32_t CQVAudioConverter::Convert(const uint8_t** ppInput, int32_t nFrames, uint8_t*** pppPlanes,
                                   int32_t* pnFrames)
{
    if (!m_pResampler)
        return AVERROR(EINVAL);
    const int nNeeded = swr_get_out_samples(m_pResampler.get(), nFrames);
    if (nNeeded < 0)
        return nNeeded;
    if (nNeeded > m_nCapacity || m_ppOutput == nullptr)
    {
        // Grows only; a conversion settles on one size after its first buffers.
        if (m_ppOutput != nullptr)
            av_freep(&m_ppOutput[0]);
        av_freep(&m_ppOutput);
        m_nCapacity = 0;
        const int nCapacity = nNeeded > 256 ? nNeeded : 256;
        const int nResult = av_samples_alloc_array_and_samples(&m_ppOutput, nullptr, m_nChannels,
                                                               nCapacity, m_eFormat, 0);
        if (nResult < 0)
            return nResult;
        m_nCapacity = nCapacity;
    }
    const int nConverted =
        swr_convert(m_pResampler.get(), m_ppOutput, m_nCapacity, ppInput, nFrames);
    if (nConverted < 0)
        return nConverted;
    *pppPlanes = m_ppOutput;
    *pnFrames = nConverted;
    return 0;
}

int32_t CQVAudioConverter::Process(const int16_t* pSamples, int32_t nFrames, uint8_t*** pppPlanes,
                                   int32_t* pnFrames)
{
    const uint8_t* pInput[1] = {reinterpret_cast<const uint8_t*>(pSamples)};
    return Convert(pInput, nFrames, pppPlanes, pnFrames);
}

int32_t CQVAudioConverter::Flush(uint8_t*** pppPlanes, int32_t* pnFrames)
{
    return Convert(nullptr, 0, pppPlanes, pnFrames);
}

void CQVAudioConverter::Close()
{
    if (m_ppOutput != nullptr)
        av_freep(&m_ppOutput[0]);
    av_freep(&m_ppOutput);
    m_nCapacity = 0;
    m_pResampler.reset();
}

} // namespace qv
