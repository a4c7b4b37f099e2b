// The video encoder stage: converts each composed sample (bottom-up BGRA) to the
// encoder's picture format, encodes it and hands the packets to the multiplexer.
// Runs on the video encoding thread once opened.
#pragma once

#include "encode/EncodeSettings.h"
#include "encode/FFmpegHandles.h"

#include <cstdint>

namespace qv
{

class CQVMultiplexer;

class CQVVideoEncoder
{
public:
    // Opens the encoder of the settings (EncoderMapping.h). Returns 0, AVERROR_ENCODER_NOT_FOUND,
    // or the negative AVERROR of a refused setting.
    int32_t Open(const tagQVEncodeSettings& settings, bool bGlobalHeader);

    const AVCodecContext* Context() const { return m_pContext.get(); }

    // Where the packets go; set before the first Process.
    void Attach(CQVMultiplexer* pMultiplexer, int32_t nStream);

    // Encodes one sample (stride width x 4, bottom row first) as frame nIndex.
    // Returns 0 or a negative AVERROR.
    int32_t Process(const uint8_t* pSample, int64_t nIndex);

    // Drains the pictures the encoder still holds. Returns 0 or a negative AVERROR.
    int32_t Finish();

    void Close();

private:
    int32_t Drain();

    QVCodecContextPtr m_pContext;
    QVSwsPtr m_pScaler;
    QVFramePtr m_pFrame;
    QVPacketPtr m_pPacket;
    CQVMultiplexer* m_pMultiplexer = nullptr;
    int32_t m_nStream = -1;
};

} // namespace qv
