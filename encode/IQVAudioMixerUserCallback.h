// The audio mixer stage's callback: how mixed sound gets into the conversion stream.
// The engine implements it; the audio mixer stage calls it on the audio streaming thread,
// once for every buffer, before the buffer moves on.
#pragma once

#include <cstdint>

namespace qv
{

// Describes an audio buffer: the layout of a Windows WAVEFORMATEX (18 bytes).
#pragma pack(push, 1)
struct tagQVWaveFormatEx
{
    uint16_t wFormatTag;      // 1: PCM
    uint16_t nChannels;       // 2
    uint32_t nSamplesPerSec;  // Hz
    uint32_t nAvgBytesPerSec; // nSamplesPerSec x nBlockAlign
    uint16_t nBlockAlign;     // bytes per frame: 4
    uint16_t wBitsPerSample;  // 16
    uint16_t cbSize;          // 0
};
#pragma pack(pop)

static_assert(sizeof(tagQVWaveFormatEx) == 18, "wave format layout");

class IQVAudioMixerUserCallback
{
public:
    // Writes nBytes of interleaved 16-bit samples into pBuffer (nBufferSize bytes, which
    // is at least nBytes). bHold non-zero: the play position must not advance (the
    // conversion never holds). The first value carries nothing.
    // Returns 0 to pass the buffer on. A positive value ends the stream as a user abort,
    // a negative one as an error abort carrying that value; the output is then discarded.
    virtual int32_t FillAudio(int32_t nUnused, int32_t nBytes, int32_t bHold, int16_t* pBuffer,
                              const tagQVWaveFormatEx* pFormat, int32_t nBufferSize) = 0;

protected:
    // Never deleted through this interface: its owner outlives every graph it serves.
    ~IQVAudioMixerUserCallback() = default;
};

} // namespace qv
