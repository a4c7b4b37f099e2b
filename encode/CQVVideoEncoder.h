// The video encoder stage: converts each composed sample (bottom-up BGRA), or the region
// of the source's own picture that a direct frame brings, to the encoder's picture format,
// encodes it and hands the packets to the multiplexer. For an output kept in HDR a composed
// sample (a gap's black, or a frame that could not go direct) is SDR lifted into HDR.
// Runs on the video encoding thread once opened.
#pragma once

#include "encode/CQVDirectPictureConverter.h"
#include "encode/CQVEncoderBase.h"
#include "encode/EncodeSettings.h"
#include "probe/FFmpegCommon.h"

#include <cstdint>

namespace qv
{

class CQVVideoEncoder : public CQVEncoderBase
{
public:
    // Opens the encoder of the settings (EncoderMapping.h). Returns 0, AVERROR_ENCODER_NOT_FOUND,
    // or the negative AVERROR of a refused setting.
    int32_t Open(const tagQVEncodeSettings& settings, bool bGlobalHeader);

    // Encodes frame nIndex: the direct picture when pDirect holds one (it is released),
    // else the sample (stride width x 4, bottom row first). 0 or a negative AVERROR.
    int32_t Process(const uint8_t* pSample, tagQVDirectPicture* pDirect, int64_t nIndex);

    // Drains the pictures the encoder still holds. Returns 0 or a negative AVERROR.
    int32_t Finish();

    void Close();

private:
    // A composed sample for an output kept in HDR: through the colour graph into *ppInput,
    // its white at HDR reference white. 0 or a negative AVERROR.
    int32_t LiftComposed(const uint8_t* pSample, AVFrame** ppInput);

    QVScalerPtr m_pScaler;
    CQVDirectPictureConverter m_direct;
    tagQVColorDescription m_outputColor;
    CQVColorGraph m_lift;
    QVFramePtr m_pLifted;
};

} // namespace qv
