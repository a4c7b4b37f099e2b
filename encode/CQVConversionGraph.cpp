#include "encode/CQVConversionGraph.h"

#include "encode/CQVMediaEventQueue.h"
#include "encode/EncoderMapping.h"

#include <system_error>

namespace qv
{

namespace
{

// Enough for the mixer to work one picture ahead of the encoder, with one in reserve.
constexpr int32_t kVideoSampleBuffers = 3;

// A library that used the wide vector registers on the creating thread without clearing
// them (the MP3 encoder does) hands that state to every thread created afterwards, and
// plain SSE code there (libm, the composition) then runs many times slower. Each
// streaming thread starts clean.
void ClearUpperVectorState()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool s_bHasAvx = __builtin_cpu_supports("avx");
    if (s_bHasAvx)
        __asm__ volatile("vzeroupper");
#endif
}

} // namespace

CQVConversionGraph::~CQVConversionGraph()
{
    Stop();
    CloseStages();
}

int32_t CQVConversionGraph::Build(const tagQVEncodeSettings& settings, int64_t nStopPosition,
                                  const std::string& path,
                                  IQVVideoMixerUserCallback* pVideoCallback,
                                  IQVAudioMixerUserCallback* pAudioCallback, EventSink onEnd)
{
    if (m_bBuilt || m_bStarted)
        return -1;
    int32_t nResult =
        m_source.Open(settings.nWidth, settings.nHeight, settings.dFrameRate, nStopPosition);
    const bool bGlobalHeader = MuxerWantsGlobalHeader(settings.eContainer);
    if (nResult >= 0)
    {
        m_audioMixer.Open(pAudioCallback, m_source.AudioFormat());
        nResult = m_audioEncoder.Open(settings, bGlobalHeader);
    }
    if (nResult >= 0)
        nResult = m_audioConverter.Open(m_source.AudioFormat(), m_audioEncoder.Context());
    if (nResult >= 0)
        nResult = m_videoEncoder.Open(settings, bGlobalHeader);
    if (nResult >= 0)
    {
        m_videoMixer.Open(pVideoCallback, m_source.VideoHeader());
        if (!m_sampleQueue.Open(kVideoSampleBuffers, m_source.VideoSampleSize()))
            nResult = AVERROR(ENOMEM);
    }
    if (nResult >= 0)
        m_audioSamples.assign(static_cast<size_t>(m_source.AudioBufferFrames()) * 2, 0);
    if (nResult >= 0)
        nResult = m_fileSink.Open(path);
    if (nResult >= 0 && settings.sourceFacts.bHasModificationTime)
        m_fileSink.SetModificationTime(settings.sourceFacts.nModificationSeconds,
                                       settings.sourceFacts.nModificationNanoseconds);
    if (nResult >= 0)
        nResult = m_multiplexer.Open(settings.eContainer);
    if (nResult >= 0)
        m_multiplexer.SetSourceFacts(settings.sourceFacts);
    if (nResult >= 0)
    {
        // Matroska and ASF carry video as the first track; the other muxers take audio
        // on their first input and video on their second.
        if (settings.bVideoFirst)
        {
            m_nVideoStream = m_multiplexer.AddStream(m_videoEncoder.Context());
            m_nAudioStream = m_multiplexer.AddStream(m_audioEncoder.Context());
        }
        else
        {
            m_nAudioStream = m_multiplexer.AddStream(m_audioEncoder.Context());
            m_nVideoStream = m_multiplexer.AddStream(m_videoEncoder.Context());
        }
        if (m_nVideoStream < 0 || m_nAudioStream < 0)
            nResult = m_nVideoStream < 0 ? m_nVideoStream : m_nAudioStream;
    }
    if (nResult >= 0)
        nResult = m_multiplexer.SetStreamGrading(m_nVideoStream, settings.color);
    if (nResult >= 0)
        nResult = m_multiplexer.Start(m_fileSink.Io());
    if (nResult < 0)
    {
        CloseStages();
        return nResult;
    }
    m_videoEncoder.Attach(&m_multiplexer, m_nVideoStream);
    m_audioEncoder.Attach(&m_multiplexer, m_nAudioStream);
    m_onEnd = std::move(onEnd);
    m_bBuilt = true;
    return 0;
}

int32_t CQVConversionGraph::StartThreads(bool bPaused)
{
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_bStarted = true;
        m_bPaused = bPaused;
    }
    m_nLiveThreads = 3;
    try
    {
        m_videoEncodeThread = std::thread(&CQVConversionGraph::VideoEncodeLoop, this);
        m_audioThread = std::thread(&CQVConversionGraph::AudioLoop, this);
        m_videoMixThread = std::thread(&CQVConversionGraph::VideoMixLoop, this);
    }
    catch (const std::system_error&)
    {
        // Threads that did start run out through the abort; one that did not counts as
        // finished so that the last one still ends the file.
        const int nMissing = !m_videoEncodeThread.joinable() + !m_audioThread.joinable() +
                             !m_videoMixThread.joinable();
        EndWithError(AVERROR(EAGAIN));
        for (int i = 0; i < nMissing; ++i)
            ThreadFinished();
        m_nState = bPaused ? kQVGraphPaused : kQVGraphRunning;
        return AVERROR(EAGAIN);
    }
    m_nState = bPaused ? kQVGraphPaused : kQVGraphRunning;
    return 0;
}

int32_t CQVConversionGraph::Run()
{
    return Resume(false);
}

int32_t CQVConversionGraph::Pause()
{
    return Resume(true);
}

int32_t CQVConversionGraph::Resume(bool bPaused)
{
    if (!m_bBuilt)
        return -1;
    std::unique_lock<std::mutex> lock(m_control);
    if (m_bStopRequested)
        return -1;
    if (!m_bStarted)
    {
        lock.unlock();
        return StartThreads(bPaused);
    }
    m_bPaused = bPaused;
    m_nState = bPaused ? kQVGraphPaused : kQVGraphRunning;
    lock.unlock();
    if (!bPaused)
        m_resume.notify_all();
    return 0;
}

int32_t CQVConversionGraph::Stop()
{
    bool bAbort = false;
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_bStopRequested = true;
        m_bPaused = false;
        bAbort = m_bStarted && !m_bFinishing;
    }
    m_resume.notify_all();
    if (bAbort)
        AbortStages();
    for (std::thread* pThread : {&m_videoMixThread, &m_videoEncodeThread, &m_audioThread})
    {
        if (pThread->joinable())
            pThread->join();
    }
    // Never started, or stopped before the end: nothing may appear under the name.
    m_fileSink.Discard();
    m_nState = kQVGraphStopped;
    return 0;
}

bool CQVConversionGraph::WaitWhilePaused()
{
    std::unique_lock<std::mutex> lock(m_control);
    m_resume.wait(lock, [this] { return !m_bPaused || m_bAborting || m_bStopRequested; });
    return !m_bAborting && !m_bStopRequested;
}

bool CQVConversionGraph::IsAborting()
{
    std::lock_guard<std::mutex> lock(m_control);
    return m_bAborting || m_bStopRequested;
}

void CQVConversionGraph::EndWithCallbackResult(int32_t nResult)
{
    EndWith(nResult > 0 ? kQVEventUserAbort : kQVEventErrorAbort, nResult);
}

void CQVConversionGraph::EndWithError(int32_t nError)
{
    // A stage that fails because another one already ended the stream is no new cause.
    if (!IsAborting())
        EndWith(kQVEventErrorAbort, nError);
}

void CQVConversionGraph::EndWith(int32_t nCode, int32_t nParam)
{
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_nEndCode == 0)
        {
            m_nEndCode = nCode;
            m_nEndParam = nParam;
        }
    }
    AbortStages();
}

void CQVConversionGraph::AbortStages()
{
    {
        std::lock_guard<std::mutex> lock(m_control);
        m_bAborting = true;
    }
    m_resume.notify_all();
    m_sampleQueue.Abort();
    m_multiplexer.Abort();
}

void CQVConversionGraph::VideoMixLoop()
{
    ClearUpperVectorState();
    tagQVVideoSample sample;
    while (WaitWhilePaused())
    {
        tagQVSampleSlot* pSlot = m_sampleQueue.AcquireFree();
        if (pSlot == nullptr)
            break;
        if (!m_source.NextVideoSample(pSlot->pBuffer.get(), &sample))
        {
            m_sampleQueue.ReleaseFree(pSlot);
            break;
        }
        sample.pDirect = &pSlot->direct;
        const int32_t nResult = m_videoMixer.Process(sample);
        if (nResult != 0)
        {
            m_sampleQueue.ReleaseFree(pSlot);
            EndWithCallbackResult(nResult);
            break;
        }
        m_sampleQueue.PushFilled(pSlot, sample.nIndex);
    }
    m_sampleQueue.PushEnd();
    ThreadFinished();
}

void CQVConversionGraph::VideoEncodeLoop()
{
    ClearUpperVectorState();
    int32_t nResult = 0;
    tagQVSampleSlot* pSlot = nullptr;
    int64_t nIndex = 0;
    while (nResult >= 0 && m_sampleQueue.PopFilled(&pSlot, &nIndex))
    {
        nResult = m_videoEncoder.Process(pSlot->pBuffer.get(), &pSlot->direct, nIndex);
        m_sampleQueue.ReleaseFree(pSlot);
    }
    if (nResult >= 0 && !IsAborting())
        nResult = m_videoEncoder.Finish();
    if (nResult < 0)
        EndWithError(nResult);
    m_multiplexer.EndStream(m_nVideoStream);
    ThreadFinished();
}

void CQVConversionGraph::AudioLoop()
{
    ClearUpperVectorState();
    int32_t nResult = 0;
    tagQVAudioBuffer buffer;
    uint8_t** ppPlanes = nullptr;
    int32_t nFrames = 0;
    while (nResult >= 0 && WaitWhilePaused() &&
           m_source.NextAudioBuffer(m_audioSamples.data(), &buffer))
    {
        const int32_t nCallback = m_audioMixer.Process(buffer);
        if (nCallback != 0)
        {
            EndWithCallbackResult(nCallback);
            break;
        }
        nResult = m_audioConverter.Process(buffer.pSamples, buffer.nFrames, &ppPlanes, &nFrames);
        if (nResult >= 0)
            nResult = m_audioEncoder.Process(ppPlanes, nFrames);
    }
    if (nResult >= 0 && !IsAborting())
    {
        nResult = m_audioConverter.Flush(&ppPlanes, &nFrames);
        if (nResult >= 0)
            nResult = m_audioEncoder.Process(ppPlanes, nFrames);
        if (nResult >= 0)
            nResult = m_audioEncoder.Finish();
    }
    if (nResult < 0)
        EndWithError(nResult);
    m_multiplexer.EndStream(m_nAudioStream);
    ThreadFinished();
}

void CQVConversionGraph::ThreadFinished()
{
    if (m_nLiveThreads.fetch_sub(1) == 1)
        Finish();
}

void CQVConversionGraph::Finish()
{
    int32_t nCode = 0;
    int32_t nParam = 0;
    {
        std::lock_guard<std::mutex> lock(m_control);
        if (m_bStopRequested)
            return; // Stop discards the file and reports nothing
        m_bFinishing = true;
        nCode = m_nEndCode;
        nParam = m_nEndParam;
    }
    if (nCode == 0)
    {
        int32_t nResult = m_multiplexer.Finish();
        if (nResult >= 0)
            nResult = m_fileSink.Commit();
        if (nResult < 0)
        {
            nCode = kQVEventErrorAbort;
            nParam = nResult;
        }
    }
    if (nCode != 0)
        m_fileSink.Discard();
    if (m_onEnd)
        m_onEnd(nCode == 0 ? kQVEventComplete : nCode, nParam);
}

void CQVConversionGraph::CloseStages()
{
    m_multiplexer.Close();
    m_fileSink.Discard();
    m_videoEncoder.Close();
    m_audioEncoder.Close();
    m_audioConverter.Close();
    m_videoMixer.Close();
    m_audioMixer.Close();
    m_audioSamples.clear();
    m_nVideoStream = -1;
    m_nAudioStream = -1;
    m_bBuilt = false;
}

} // namespace qv
