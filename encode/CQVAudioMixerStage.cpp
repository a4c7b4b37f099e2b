#include "encode/CQVAudioMixerStage.h"

namespace qv
{

void CQVAudioMixerStage::Open(IQVAudioMixerUserCallback* pCallback, const tagQVWaveFormatEx& format)
{
    m_pCallback = pCallback;
    m_format = format;
}

int32_t CQVAudioMixerStage::Process(const tagQVAudioBuffer& buffer)
{
    if (m_pCallback == nullptr)
        return 0;
    // The conversion never holds the play position.
    return m_pCallback->FillAudio(0, buffer.nBytes, 0, buffer.pSamples, &m_format,
                                  buffer.nCapacity);
}

} // namespace qv
