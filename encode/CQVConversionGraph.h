// The conversion graph: the chain of stages from the blank-sample clock to the file sink,
// and the streaming threads that drive it.
//
//   video: blank-sample clock -> video mixer stage (video callback) -> sample queue
//          -> video encoder -> multiplexer
//   audio: blank-sample clock -> audio mixer stage (audio callback) -> audio converter
//          -> audio encoder -> multiplexer
//   multiplexer -> file sink
//
// Three threads: the video mixing thread composes the next picture while the video
// encoding thread encodes the previous one, and the audio thread runs the whole audio
// side. The thread that ends last finishes the file and reports the end.
#pragma once

#include "encode/CQVAudioConverter.h"
#include "encode/CQVAudioEncoder.h"
#include "encode/CQVAudioMixerStage.h"
#include "encode/CQVBlankSampleClock.h"
#include "encode/CQVFileSink.h"
#include "encode/CQVGraphStates.h"
#include "encode/CQVMultiplexer.h"
#include "encode/CQVVideoEncoder.h"
#include "encode/CQVVideoMixerStage.h"
#include "encode/CQVVideoSampleQueue.h"
#include "encode/EncodeSettings.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv
{

class CQVConversionGraph : public CQVGraphStates
{
public:
    CQVConversionGraph() = default;
    ~CQVConversionGraph(); // stops and discards
    CQVConversionGraph(const CQVConversionGraph&) = delete;
    CQVConversionGraph& operator=(const CQVConversionGraph&) = delete;

    // Opens every stage and writes the container header into a temporary file beside
    // path; nothing streams yet. nStopPosition is in 100-nanosecond units. The callbacks
    // may be null (the samples then stay black / silent). Returns 0 or a negative code
    // (AVERROR or -errno); on failure nothing is left open and no file exists.
    int32_t Build(const tagQVEncodeSettings& settings, int64_t nStopPosition,
                  const std::string& path, IQVVideoMixerUserCallback* pVideoCallback,
                  IQVAudioMixerUserCallback* pAudioCallback, EventSink onEnd);

    // Starts streaming, or resumes a paused graph. -1 when not built or already stopped.
    int32_t Run();
    // Holds both streams before their next sample; from a built graph that never ran it
    // starts the threads held. -1 when not built or already stopped.
    int32_t Pause();
    // Ends the streaming and waits for the threads: no callback runs once it returns.
    // A file not yet complete is discarded and no event is reported. Returns 0.
    int32_t Stop();

    int32_t State() const { return m_nState.load(); }

private:
    void VideoMixLoop();
    void VideoEncodeLoop();
    void AudioLoop();

    // Run and Pause: starts the threads on the first call, then switches between the two.
    int32_t Resume(bool bPaused);
    int32_t StartThreads(bool bPaused);
    bool WaitWhilePaused();
    bool IsAborting();
    void EndWithCallbackResult(int32_t nResult);
    void EndWithError(int32_t nError);
    void EndWith(int32_t nCode, int32_t nParam);
    void AbortStages();
    void ThreadFinished();
    void Finish();
    void CloseStages();

    // --- stages, opened by Build; afterwards each is touched by one streaming thread
    //     (the multiplexer and the event sink by both)
    CQVBlankSampleClock m_source;
    CQVVideoMixerStage m_videoMixer;
    CQVVideoSampleQueue m_sampleQueue;
    CQVVideoEncoder m_videoEncoder;
    CQVAudioMixerStage m_audioMixer;
    CQVAudioConverter m_audioConverter;
    CQVAudioEncoder m_audioEncoder;
    CQVMultiplexer m_multiplexer;
    CQVFileSink m_fileSink;
    std::vector<int16_t> m_audioSamples;
    int32_t m_nVideoStream = -1;
    int32_t m_nAudioStream = -1;
    EventSink m_onEnd;
    bool m_bBuilt = false;

    // --- the streaming threads, started by Run / Pause and joined by Stop
    std::thread m_videoMixThread;
    std::thread m_videoEncodeThread;
    std::thread m_audioThread;
    std::atomic<int> m_nLiveThreads{0};

    // --- shared between the control thread and the streaming threads, under m_control
    std::mutex m_control;
    std::condition_variable m_resume;
    bool m_bStarted = false;
    bool m_bPaused = false;
    bool m_bAborting = false;
    bool m_bStopRequested = false;
    bool m_bFinishing = false; // the end is being written; Stop waits for it
    int32_t m_nEndCode = 0;    // first reason the streams ended early
    int32_t m_nEndParam = 0;
    std::atomic<int32_t> m_nState{kQVGraphStopped};
};

} // namespace qv
