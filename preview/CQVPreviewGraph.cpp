#include "preview/CQVPreviewGraph.h"

#include "encode/CQVMediaEventQueue.h"

#include <algorithm>
#include <system_error>

extern "C"
{
#include <libavutil/error.h>
}

namespace qv
{

namespace
{

constexpr double kUnitsPerSecond = 10000000.0;
// Sound queued ahead of the clock: enough to ride out a slow buffer, short enough that a
// pause or the end is heard at once. The clock starts once the first part is queued.
constexpr double kAudioLeadSeconds = 0.2;
constexpr double kAudioReadySeconds = 0.1;
// The longest single sleep of a waiting thread, so that Stop and a pause are seen soon.
constexpr auto kWaitStep = std::chrono::milliseconds(4);

} // namespace

CQVPreviewGraph::~CQVPreviewGraph()
{
    Stop();
    CloseStages();
}

int32_t CQVPreviewGraph::OpenVideo(uint32_t hHost, int nWidth, int nHeight)
{
    if (m_bBuilt)
        return -1;
    return m_video.Open(hHost, nWidth, nHeight,
                        [this] { EndWith(kQVEventUserAbort, kQVVideoHostGone); });
}

int32_t CQVPreviewGraph::Build(int nWidth, int nHeight, double dFrameRate, int64_t nStopPosition,
                               IQVVideoMixerUserCallback* pVideoCallback,
                               IQVAudioMixerUserCallback* pAudioCallback, EventSink onEnd)
{
    if (m_bBuilt || m_bStarted)
        return -1;
    int32_t nResult = m_source.Open(nWidth, nHeight, dFrameRate, nStopPosition);
    if (nResult >= 0)
        nResult = m_audio.Open(m_source.AudioFormat());
    if (nResult < 0)
    {
        CloseStages();
        return nResult;
    }
    m_videoMixer.Open(pVideoCallback, m_source.VideoHeader());
    m_audioMixer.Open(pAudioCallback, m_source.AudioFormat());
    try
    {
        m_picture.assign(static_cast<size_t>(m_source.VideoSampleSize()), 0);
        m_samples.assign(static_cast<size_t>(m_source.AudioBufferFrames()) * 2, 0);
    }
    catch (const std::bad_alloc&)
    {
        CloseStages();
        return AVERROR(ENOMEM);
    }
    m_dFrameRate = dFrameRate;
    m_onEnd = std::move(onEnd);
    m_stats = tagQVPreviewStats{};
    m_dLateSum = 0.0;
    m_bBuilt = true;
    return 0;
}

int32_t CQVPreviewGraph::Run()
{
    if (!m_bBuilt)
        return -1;
    std::unique_lock<std::mutex> lock(m_control);
    if (m_bStopRequested)
        return -1;
    m_bPaused = false;
    m_nState = kQVGraphRunning;
    if (!m_bStarted)
    {
        m_bStarted = true;
        m_runTime = std::chrono::steady_clock::now();
        lock.unlock();
        m_nLiveThreads = 2;
        try
        {
            m_audioThread = std::thread(&CQVPreviewGraph::AudioLoop, this);
            m_videoThread = std::thread(&CQVPreviewGraph::VideoLoop, this);
        }
        catch (const std::system_error&)
        {
            const int nMissing = !m_audioThread.joinable() + !m_videoThread.joinable();
            EndWith(kQVEventErrorAbort, AVERROR(EAGAIN));
            for (int i = 0; i < nMissing; ++i)
                ThreadFinished();
            return AVERROR(EAGAIN);
        }
        return 0;
    }
    if (m_bClockStarted)
        m_audio.Start();
    lock.unlock();
    m_wake.notify_all();
    StartClockIfReady();
    return 0;
}

int32_t CQVPreviewGraph::Pause()
{
    if (!m_bBuilt)
        return -1;
    std::lock_guard<std::mutex> lock(m_control);
    if (m_bStopRequested)
        return -1;
    m_bPaused = true;
    m_audio.Hold();
    m_nState = kQVGraphPaused;
    return 0;
}

int32_t CQVPreviewGraph::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_bStopRequested = true;
        m_bEnding = true;
        m_bPaused = false;
    }
    m_wake.notify_all();
    for (std::thread* pThread : {&m_videoThread, &m_audioThread})
        if (pThread->joinable())
            pThread->join();
    m_audio.Hold();
    m_nState = kQVGraphStopped;
    return 0;
}

tagQVPreviewStats CQVPreviewGraph::Stats()
{
    std::lock_guard<std::mutex> lock(m_control);
    tagQVPreviewStats stats = m_stats;
    stats.dMeanLateSeconds = stats.nShown > 0 ? m_dLateSum / stats.nShown : 0.0;
    return stats;
}

bool CQVPreviewGraph::WaitForClock(int64_t nPosition)
{
    for (;;)
    {
        const int64_t nNow = m_audio.Position();
        std::unique_lock<std::mutex> lock(m_control);
        if (m_bEnding)
            return false;
        if (nNow >= nPosition)
            return true;
        const auto left = std::chrono::microseconds((nPosition - nNow) / 10 + 1);
        m_wake.wait_for(lock, std::min<std::chrono::microseconds>(left, kWaitStep),
                        [this] { return m_bEnding; });
    }
}

bool CQVPreviewGraph::WaitWhileAhead(double dSeconds)
{
    for (;;)
    {
        const double dAhead = m_audio.SecondsAhead();
        std::unique_lock<std::mutex> lock(m_control);
        if (m_bEnding)
            return false;
        if (dAhead <= dSeconds)
            return true;
        m_wake.wait_for(lock, kWaitStep, [this] { return m_bEnding; });
    }
}

void CQVPreviewGraph::StartClockIfReady()
{
    std::lock_guard<std::mutex> lock(m_control);
    if (m_bClockStarted || m_bPaused || m_bEnding || !m_bVideoReady || !m_bAudioReady)
        return;
    m_bClockStarted = true;
    m_audio.Start();
}

void CQVPreviewGraph::EndWith(int32_t nCode, int32_t nParam)
{
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_nEndCode == 0)
        {
            m_nEndCode = nCode;
            m_nEndParam = nParam;
        }
        m_bEnding = true;
    }
    m_wake.notify_all();
}

void CQVPreviewGraph::VideoLoop()
{
    const double dFramePeriod = kUnitsPerSecond / m_dFrameRate;
    double dComposeUnits = 0.3 * dFramePeriod; // running estimate of one composition
    const int64_t nLast = m_source.VideoSampleCount() - 1;
    tagQVVideoSample sample;
    while (m_source.NextVideoSample(m_picture.data(), &sample))
    {
        const bool bFirst = sample.nIndex == 0;
        const bool bLast = sample.nIndex == nLast;
        if (!bFirst)
        {
            // Too late to be composed before the next picture is due: skip it unmade.
            const int64_t nNow = m_audio.Position();
            if (!bLast && nNow + static_cast<int64_t>(dComposeUnits) >= sample.nStopTime)
            {
                std::lock_guard<std::mutex> lock(m_control);
                ++m_stats.nDropped;
                continue;
            }
            // At most one picture ahead of the clock.
            if (!WaitForClock(sample.nStartTime - static_cast<int64_t>(dFramePeriod)))
                break;
        }
        const auto composeStart = std::chrono::steady_clock::now();
        const int32_t nResult = m_videoMixer.Process(sample);
        const double dUnits =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - composeStart).count() *
            kUnitsPerSecond;
        dComposeUnits = 0.8 * dComposeUnits + 0.2 * dUnits;
        if (nResult != 0)
        {
            EndWith(nResult > 0 ? kQVEventUserAbort : kQVEventErrorAbort, nResult);
            break;
        }
        if (!WaitForClock(sample.nStartTime))
            break;
        const int64_t nNow = m_audio.Position();
        if (!bLast && !bFirst && nNow >= sample.nStopTime)
        {
            std::lock_guard<std::mutex> lock(m_control);
            ++m_stats.nDropped;
            continue;
        }
        if (m_video.IsOpen() && m_video.Show(m_picture.data()) < 0)
        {
            EndWith(kQVEventUserAbort, kQVVideoHostGone);
            break;
        }
        {
            std::lock_guard<std::mutex> lock(m_control);
            ++m_stats.nShown;
            const double dLate = (m_audio.Position() - sample.nStartTime) / kUnitsPerSecond;
            m_stats.dMaxLateSeconds = std::max(m_stats.dMaxLateSeconds, dLate);
            m_dLateSum += dLate;
            if (bFirst)
            {
                m_stats.dFirstPictureSeconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - m_runTime)
                        .count();
                m_bVideoReady = true;
            }
        }
        if (bFirst)
            StartClockIfReady();
    }
    {
        // A stream without pictures must not keep the clock from starting.
        std::lock_guard<std::mutex> lock(m_control);
        m_bVideoReady = true;
    }
    StartClockIfReady();
    ThreadFinished();
}

void CQVPreviewGraph::AudioLoop()
{
    tagQVAudioBuffer buffer;
    bool bEnded = false;
    while (m_source.NextAudioBuffer(m_samples.data(), &buffer))
    {
        if (!WaitWhileAhead(kAudioLeadSeconds))
        {
            bEnded = true;
            break;
        }
        const int32_t nResult = m_audioMixer.Process(buffer);
        if (nResult != 0)
        {
            EndWith(nResult > 0 ? kQVEventUserAbort : kQVEventErrorAbort, nResult);
            bEnded = true;
            break;
        }
        m_audio.Queue(buffer.pSamples, buffer.nBytes);
        bool bReady = false;
        if (m_audio.SecondsAhead() >= kAudioReadySeconds)
        {
            std::lock_guard<std::mutex> lock(m_control);
            bReady = !m_bAudioReady;
            m_bAudioReady = true;
        }
        if (bReady)
            StartClockIfReady();
    }
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_bAudioReady = true;
    }
    StartClockIfReady();
    // The end comes when the last sound has been played.
    if (!bEnded)
        WaitWhileAhead(0.0);
    ThreadFinished();
}

void CQVPreviewGraph::ThreadFinished()
{
    if (m_nLiveThreads.fetch_sub(1) != 1)
        return;
    int32_t nCode = 0;
    int32_t nParam = 0;
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_bStopRequested)
            return;
        nCode = m_nEndCode;
        nParam = m_nEndParam;
        // From here on a host that goes away changes nothing: the end is reported.
        m_bEnding = true;
        if (m_nEndCode == 0)
            m_nEndCode = kQVEventComplete;
    }
    m_nState = kQVGraphStopped;
    if (m_onEnd)
        m_onEnd(nCode == 0 ? kQVEventComplete : nCode, nParam);
}

void CQVPreviewGraph::CloseStages()
{
    m_video.Close();
    m_audio.Close();
    m_videoMixer.Close();
    m_audioMixer.Close();
    m_picture.clear();
    m_samples.clear();
    m_bBuilt = false;
}

} // namespace qv
