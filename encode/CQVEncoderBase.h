// What the audio and video encoder stages share: the encoder context with its frame and
// packet, and the multiplexer stream its packets go to.
#pragma once

#include "probe/FFmpegCommon.h"

#include <cstdint>

namespace qv
{

class CQVMultiplexer;

class CQVEncoderBase
{
public:
    const AVCodecContext* Context() const { return m_pContext.get(); }

    // Where the packets go; set before the first packet.
    void Attach(CQVMultiplexer* pMultiplexer, int32_t nStream)
    {
        m_pMultiplexer = pMultiplexer;
        m_nStream = nStream;
    }

protected:
    // Finds the encoder by name and allocates its context, frame and packet.
    // 0, AVERROR_ENCODER_NOT_FOUND or AVERROR(ENOMEM) (then nothing stays allocated).
    int32_t Allocate(const char* name, const AVCodec** ppCodec);
    // Writes every packet the encoder has ready. 0 or a negative AVERROR.
    int32_t Drain();
    // Frees the context, frame and packet and forgets the stream.
    void Release();

    QVCodecPtr m_pContext;
    QVFramePtr m_pFrame;
    QVPacketPtr m_pPacket;
    CQVMultiplexer* m_pMultiplexer = nullptr;
    int32_t m_nStream = -1;
};

} // namespace qv
