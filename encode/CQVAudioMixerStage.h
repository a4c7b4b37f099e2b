// The audio mixer stage: hands every audio buffer to the audio callback on the audio
// streaming thread and passes the filled buffer on.
#pragma once

#include "encode/CQVBlankSampleClock.h"
#include "encode/IQVAudioMixerUserCallback.h"

#include <cstdint>

namespace qv
{

class CQVAudioMixerStage
{
public:
    // Without a callback the buffers pass on as the source made them (silent).
    void Open(IQVAudioMixerUserCallback* pCallback, const tagQVWaveFormatEx& format);

    // Runs the callback on one buffer. Returns 0 or the callback's non-zero result (the
    // buffer must not be passed on then).
    int32_t Process(const tagQVAudioBuffer& buffer);

    void Close() { m_pCallback = nullptr; }

private:
    IQVAudioMixerUserCallback* m_pCallback = nullptr;
    tagQVWaveFormatEx m_format{};
};

} // namespace qv
