// The video encoder stage: converts each composed sample (bottom-up BGRA) to the
// encoder's picture format, encodes it and hands the packets to the multiplexer.
// Runs on the video encoding thread once opened.
#pragma once

#include "encode/CQVEncoderBase.h"
#include "encode/EncodeSettings.h"
#include "encode/FFmpegHandles.h"

#include <cstdint>

namespace qv
{

class CQVVideoEncoder : public CQVEncoderBase
{
public:
    // Opens the encoder of the settings (EncoderMapping.h). Returns 0, AVERROR_ENCODER_NOT_FOUND,
    // or the negative AVERROR of a refused setting.
    int32_t Open(const tagQVEncodeSettings& settings, bool bGlobalHeader);

    // Encodes one sample (stride width x 4, bottom row first) as frame nIndex.
    // Returns 0 or a negative AVERROR.
    int32_t Process(const uint8_t* pSample, int64_t nIndex);

    // Drains the pictures the encoder still holds. Returns 0 or a negative AVERROR.
    int32_t Finish();

    void Close();

private:
    QVSwsPtr m_pScaler;
};

} // namespace qv
