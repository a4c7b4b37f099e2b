// The audio converter: resamples the 16-bit stereo mix to the encoder's rate, sample
// format and channel layout (mono downmix, or stereo spread onto a multichannel layout).
#pragma once

#include "encode/IQVAudioMixerUserCallback.h"
#include "probe/FFmpegCommon.h"

#include <cstdint>

namespace qv
{

class CQVAudioConverter
{
public:
    CQVAudioConverter() = default;
    ~CQVAudioConverter() { Close(); }
    CQVAudioConverter(const CQVAudioConverter&) = delete;
    CQVAudioConverter& operator=(const CQVAudioConverter&) = delete;

    // From the mix format to the encoder's. Returns 0 or a negative AVERROR.
    int32_t Open(const tagQVWaveFormatEx& input, const AVCodecContext* pEncoder);

    // Converts nFrames interleaved input frames. *pppPlanes points at the converted data
    // (valid until the next call) and *pnFrames is its frame count, possibly 0.
    // Returns 0 or a negative AVERROR.
    int32_t Process(const int16_t* pSamples, int32_t nFrames, uint8_t*** pppPlanes,
                    int32_t* pnFrames);

    // Returns what the resampler still holds, as Process does.
    int32_t Flush(uint8_t*** pppPlanes, int32_t* pnFrames);

    void Close();

private:
    int32_t Convert(const uint8_t** ppInput, int32_t nFrames, uint8_t*** pppPlanes,
                    int32_t* pnFrames);

    QVResamplerPtr m_pResampler;
    uint8_t** m_ppOutput = nullptr; // planes allocated with av_samples_alloc_array_and_samples
    int32_t m_nCapacity = 0;        // frames the planes can hold
    int32_t m_nChannels = 0;
    AVSampleFormat m_eFormat = AV_SAMPLE_FMT_NONE;
};

} // namespace qv
