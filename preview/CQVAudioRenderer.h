// The preview's sound output and its clock: mixed 16-bit stereo PCM queued to an SDL2
// audio device. The media time is what has been queued minus what is still queued, so the
// pictures follow the sound that is actually being played. When no sound device opens the
// preview still plays: the clock then runs on the monotonic clock, never ahead of what has
// been queued, as a device that plays everything it is given would.
#pragma once

#include "encode/IQVAudioMixerUserCallback.h"

#include <chrono>
#include <cstdint>
#include <mutex>

namespace qv
{

class CQVAudioRenderer
{
public:
    CQVAudioRenderer() = default;
    ~CQVAudioRenderer() { Close(); }
    CQVAudioRenderer(const CQVAudioRenderer&) = delete;
    CQVAudioRenderer& operator=(const CQVAudioRenderer&) = delete;

    // Prepares the output for the format, held (the clock stands at 0 until Start).
    // Returns 0, with or without a device (HasDevice tells), or -1 for a format that is
    // not 16-bit PCM with a positive rate and one or two channels.
    int32_t Open(const tagQVWaveFormatEx& format);
    void Close();
    bool HasDevice() const { return m_nDevice != 0; }

    // Starts or resumes the clock and the sound; Hold stops both where they are.
    void Start();
    void Hold();

    // Adds nBytes of interleaved samples after everything queued so far. False when the
    // device refused them (they count as played at once, so the clock does not wait).
    bool Queue(const int16_t* pSamples, int32_t nBytes);

    // --- the clock; any thread
    // Media time in 100-nanosecond units since the first queued byte.
    int64_t Position();
    // Seconds queued and not yet played.
    double SecondsAhead();
    // Everything queued has been played.
    bool Drained() { return SecondsAhead() <= 0.0; }

private:
    using Clock = std::chrono::steady_clock;

    int64_t PlayedBytesLocked();

    std::mutex m_lock;
    uint32_t m_nDevice = 0; // SDL audio device id; 0: none, the monotonic clock runs
    bool m_bSdlStarted = false;
    uint32_t m_nBytesPerSecond = 0;
    uint16_t m_nBlockAlign = 4;
    bool m_bRunning = false;
    // --- under m_lock
    int64_t m_nQueuedBytes = 0;
    int64_t m_nPlayedBytes = 0;   // never goes back
    int64_t m_nTakenBytes = 0;    // device: what it had taken from the queue at m_lastTick
    int64_t m_nPeriodBytes = 0;   // device: what it takes at a time
    Clock::time_point m_lastTick; // when the clock last moved by itself (see Position)
    double m_dCarryBytes = 0.0;   // no device: the fraction of a byte not yet counted
};

} // namespace qv
