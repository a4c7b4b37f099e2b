// The audio encoder stage: collects the converted sound into whole encoder frames,
// encodes them and hands the packets to the multiplexer. Runs on the audio streaming
// thread once opened.
#pragma once

#include "encode/EncodeSettings.h"
#include "encode/FFmpegHandles.h"

#include <cstdint>

namespace qv
{

class CQVMultiplexer;

class CQVAudioEncoder
{
public:
    // Opens the encoder of the settings (EncoderMapping.h). Returns 0, AVERROR_ENCODER_NOT_FOUND,
    // or the negative AVERROR of a refused setting.
    int32_t Open(const tagQVEncodeSettings& settings, bool bGlobalHeader);

    const AVCodecContext* Context() const { return m_pContext.get(); }

    // Where the packets go; set before the first Process.
    void Attach(CQVMultiplexer* pMultiplexer, int32_t nStream);

    // Takes nFrames frames in the encoder's sample format and layout and encodes every
    // whole encoder frame. Returns 0 or a negative AVERROR.
    int32_t Process(uint8_t** ppPlanes, int32_t nFrames);

    // Encodes the rest (the last frame padded with silence when the encoder needs whole
    // frames) and drains the encoder. Returns 0 or a negative AVERROR.
    int32_t Finish();

    void Close();

private:
    int32_t EncodeFromFifo(int32_t nFrames);
    int32_t Drain();

    QVCodecContextPtr m_pContext;
    QVAudioFifoPtr m_pFifo;
    QVFramePtr m_pFrame;
    QVPacketPtr m_pPacket;
    int32_t m_nFrameSize = 0;
    int64_t m_nNextPts = 0; // in samples
    CQVMultiplexer* m_pMultiplexer = nullptr;
    int32_t m_nStream = -1;
};

} // namespace qv
