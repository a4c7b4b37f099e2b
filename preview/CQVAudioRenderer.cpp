#include "preview/CQVAudioRenderer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

// Frames per device period: small, so the clock moves in steps of about 12 ms.
constexpr uint16_t kDeviceFrames = 512;

} // namespace

int32_t CQVAudioRenderer::Open(const tagQVWaveFormatEx& format)
{
    Close();
    if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nSamplesPerSec == 0 ||
        format.nSamplesPerSec > 384000 || format.nChannels < 1 || format.nChannels > 2)
        return -1;
    m_nBlockAlign = static_cast<uint16_t>(format.nChannels * 2);
    m_nBytesPerSecond = format.nSamplesPerSec * m_nBlockAlign;

    // The engine is not an SDL application: it keeps its own signal handling.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
    {
        m_bSdlStarted = true;
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(format.nSamplesPerSec);
        want.format = AUDIO_S16LSB;
        want.channels = static_cast<Uint8>(format.nChannels);
        want.samples = kDeviceFrames;
        want.callback = nullptr; // the queue API
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to what the device takes, so the queue stays in
        // this format and its byte counts are this format's.
        m_nDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        m_nPeriodBytes = (have.samples > 0 ? have.samples : kDeviceFrames) * m_nBlockAlign;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_nQueuedBytes = 0;
    m_nPlayedBytes = 0;
    m_nTakenBytes = 0;
    m_dCarryBytes = 0.0;
    m_bRunning = false;
    return 0;
}

void CQVAudioRenderer::Close()
{
    if (m_nDevice != 0)
    {
        SDL_CloseAudioDevice(m_nDevice);
        m_nDevice = 0;
    }
    if (m_bSdlStarted)
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bSdlStarted = false;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_bRunning = false;
}

void CQVAudioRenderer::Start()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bRunning)
        return;
    m_bRunning = true;
    m_lastTick = Clock::now();
    if (m_nDevice != 0)
        SDL_PauseAudioDevice(m_nDevice, 0);
}

void CQVAudioRenderer::Hold()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bRunning)
        return;
    PlayedBytesLocked(); // the monotonic clock counts up to this moment
    m_bRunning = false;
    if (m_nDevice != 0)
        SDL_PauseAudioDevice(m_nDevice, 1);
}

bool CQVAudioRenderer::Queue(const int16_t* pSamples, int32_t nBytes)
{
    if (pSamples == nullptr || nBytes <= 0)
        return true;
    nBytes -= nBytes % m_nBlockAlign;
    std::lock_guard<std::mutex> lock(m_lock);
    // Counted under the lock together with the hand-over, so that a clock reading never
    // sees the bytes in the device's queue before they are counted as queued.
    bool bQueued = true;
    if (m_nDevice != 0)
        bQueued = SDL_QueueAudio(m_nDevice, pSamples, static_cast<Uint32>(nBytes)) == 0;
    m_nQueuedBytes += nBytes;
    return bQueued;
}

int64_t CQVAudioRenderer::PlayedBytesLocked()
{
    if (m_nDevice != 0)
    {
        // The device takes a period at a time (bytes it refused count as taken at once);
        // between two takes the clock runs on the monotonic clock, for at most one period,
        // so that it moves smoothly.
        const int64_t nTaken =
            m_nQueuedBytes - static_cast<int64_t>(SDL_GetQueuedAudioSize(m_nDevice));
        const Clock::time_point now = Clock::now();
        if (nTaken != m_nTakenBytes)
        {
            m_nTakenBytes = nTaken;
            m_lastTick = now;
        }
        int64_t nPlayed = nTaken;
        if (m_bRunning)
        {
            const double dSeconds = std::chrono::duration<double>(now - m_lastTick).count();
            const int64_t nFrames =
                static_cast<int64_t>(dSeconds * m_nBytesPerSecond) / m_nBlockAlign;
            nPlayed += std::min<int64_t>(nFrames * m_nBlockAlign, m_nPeriodBytes);
        }
        m_nPlayedBytes = std::clamp(nPlayed, m_nPlayedBytes, m_nQueuedBytes);
        return m_nPlayedBytes;
    }
    if (!m_bRunning)
        return m_nPlayedBytes;
    const Clock::time_point now = Clock::now();
    const double dSeconds = std::chrono::duration<double>(now - m_lastTick).count();
    m_lastTick = now;
    double dBytes = dSeconds * m_nBytesPerSecond + m_dCarryBytes;
    // Whole frames only, as a device plays them.
    const int64_t nFrames = static_cast<int64_t>(std::floor(dBytes / m_nBlockAlign));
    m_dCarryBytes = dBytes - static_cast<double>(nFrames) * m_nBlockAlign;
    int64_t nPlayed = m_nPlayedBytes + nFrames * m_nBlockAlign;
    if (nPlayed >= m_nQueuedBytes)
    {
        // Starved: like a device, the clock waits for the next bytes.
        nPlayed = m_nQueuedBytes;
        m_dCarryBytes = 0.0;
    }
    m_nPlayedBytes = nPlayed;
    return m_nPlayedBytes;
}

int64_t CQVAudioRenderer::Position()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_nBytesPerSecond == 0)
        return 0;
    const int64_t nPlayed = PlayedBytesLocked();
    return static_cast<int64_t>(static_cast<double>(nPlayed) * 10000000.0 / m_nBytesPerSecond);
}

double CQVAudioRenderer::SecondsAhead()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_nBytesPerSecond == 0)
        return 0.0;
    return static_cast<double>(m_nQueuedBytes - PlayedBytesLocked()) / m_nBytesPerSecond;
}

} // namespace qv
