// The audio encoder stage: collects the converted sound into whole encoder frames,
// encodes them and hands the packets to the multiplexer. Runs on the audio streaming
// thread once opened.
#pragma once

#include "encode/CQVEncoderBase.h"
#include "encode/EncodeSettings.h"
#include "probe/FFmpegCommon.h"

#include <cstdint>

namespace qv
{

class CQVAudioEncoder : public CQVEncoderBase
{
public:
    // Opens the encoder of the settings (EncoderMapping.h). Returns 0, AVERROR_ENCODER_NOT_FOUND,
    // or the negative AVERROR of a refused setting.
    int32_t Open(const tagQVEncodeSettings& settings, bool bGlobalHeader);

    // Takes nFrames frames in the encoder's sample format and layout and encodes every
    // whole encoder frame. Returns 0 or a negative AVERROR.
    int32_t Process(uint8_t** ppPlanes, int32_t nFrames);

    // Encodes the rest (the last frame padded with silence when the encoder needs whole
    // frames) and drains the encoder. Returns 0 or a negative AVERROR.
    int32_t Finish();

    void Close();

private:
    int32_t EncodeFromFifo(int32_t nFrames);
    QVAudioFifoPtr m_pFifo;
    int32_t m_nFrameSize = 0;
    int64_t m_nNextPts = 0; // in samples
};

} // namespace qv
