#include "encode/CQVEncoderBase.h"

#include "encode/CQVMultiplexer.h"

namespace qv
{

int32_t CQVEncoderBase::Allocate(const char* name, const AVCodec** ppCodec)
{
    *ppCodec = name != nullptr ? avcodec_find_encoder_by_name(name) : nullptr;
    if (*ppCodec == nullptr)
        return AVERROR_ENCODER_NOT_FOUND;
    m_pContext.reset(avcodec_alloc_context3(*ppCodec));
    m_pFrame.reset(av_frame_alloc());
    m_pPacket.reset(av_packet_alloc());
    if (!m_pContext || !m_pFrame || !m_pPacket)
    {
        Release();
        return AVERROR(ENOMEM);
    }
    return 0;
}

int32_t CQVEncoderBase::Drain()
{
    return m_pMultiplexer->DrainEncoder(m_nStream, m_pContext.get(), m_pPacket.get());
}

void CQVEncoderBase::Release()
{
    m_pFrame.reset();
    m_pPacket.reset();
    m_pContext.reset();
    m_pMultiplexer = nullptr;
    m_nStream = -1;
}

} // namespace qv
