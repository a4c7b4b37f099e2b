// The preview graph: the blank-sample clock and the two mixer stages of the conversion, with
// the picture and sound outputs in place of the encoders.
//
//   video: blank-sample clock -> video mixer stage (video callback) -> video renderer
//   audio: blank-sample clock -> audio mixer stage (audio callback) -> audio renderer
//
// The audio renderer's clock paces the pictures. Each picture is composed for its own
// presentation time, at most one picture ahead, and shown when the clock reaches that time;
// a picture that cannot be shown before the next one is due is dropped, never queued, so
// the picture never drifts from the sound. The clock starts once the first picture is on
// screen and the first sound is queued.
//
// Two streaming threads (video, audio); the renderer's watcher reports a host window that
// went away. Control operations run on one thread (the player's).
#pragma once

#include "encode/CQVAudioMixerStage.h"
#include "encode/CQVBlankSampleClock.h"
#include "encode/CQVGraphStates.h"
#include "encode/CQVVideoMixerStage.h"
#include "preview/CQVAudioRenderer.h"
#include "preview/CQVVideoRenderer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace qv
{

// What a preview run has shown so far.
struct tagQVPreviewStats
{
    int64_t nShown = 0;               // pictures put on screen (or composed, without a window)
    int64_t nDropped = 0;             // pictures skipped because they were late
    double dFirstPictureSeconds = -1; // from Run to the first picture; -1 before it
    double dMaxLateSeconds = 0.0;     // largest clock - presentation time at a shown picture
    double dMeanLateSeconds = 0.0;
};

class CQVPreviewGraph : public CQVGraphStates
{
public:
    CQVPreviewGraph() = default;
    ~CQVPreviewGraph();
    CQVPreviewGraph(const CQVPreviewGraph&) = delete;
    CQVPreviewGraph& operator=(const CQVPreviewGraph&) = delete;

    // Opens the picture output inside the host window (before Build). Returns 0 or a
    // kQVVideo... code of CQVVideoRenderer.h. Without it the pictures are composed and
    // not shown.
    int32_t OpenVideo(uint32_t hHost, int nWidth, int nHeight);
    CQVVideoRenderer& Video() { return m_video; }

    // Opens the stages for nWidth x nHeight pictures at dFrameRate and sound up to
    // nStopPosition (100-nanosecond units; times start at 0). The callbacks may be null.
    // Returns 0 or a negative code; nothing streams yet.
    int32_t Build(int nWidth, int nHeight, double dFrameRate, int64_t nStopPosition,
                  IQVVideoMixerUserCallback* pVideoCallback,
                  IQVAudioMixerUserCallback* pAudioCallback, EventSink onEnd);

    // Starts, or resumes a paused graph. -1 when not built or already stopped.
    int32_t Run();
    // Holds the clock and both streams. -1 when not built or already stopped.
    int32_t Pause();
    // Ends the streaming and waits for the threads: no callback runs once it returns, and
    // no event is reported. Returns 0.
    int32_t Stop();
    int32_t State() const { return m_nState.load(); }

    // The clock: media time played since the start, in 100-nanosecond units. Any thread.
    int64_t CurrentPosition() { return m_audio.Position(); }
    bool HasAudioDevice() const { return m_audio.HasDevice(); }

    tagQVPreviewStats Stats();

private:
    void VideoLoop();
    void AudioLoop();
    bool WaitForClock(int64_t nPosition);
    bool WaitWhileAhead(double dSeconds);
    void StartClockIfReady();
    void EndWith(int32_t nCode, int32_t nParam);
    void ThreadFinished();
    void CloseStages();

    // --- stages; after Build each is touched by one streaming thread
    CQVBlankSampleClock m_source;
    CQVVideoMixerStage m_videoMixer;
    CQVAudioMixerStage m_audioMixer;
    CQVAudioRenderer m_audio;
    CQVVideoRenderer m_video;
    std::vector<uint8_t> m_picture;
    std::vector<int16_t> m_samples;
    double m_dFrameRate = 15.0;
    EventSink m_onEnd;
    bool m_bBuilt = false;

    std::thread m_videoThread;
    std::thread m_audioThread;
    std::atomic<int> m_nLiveThreads{0};
    std::chrono::steady_clock::time_point m_runTime;

    // --- shared between the control thread, the streaming threads and the watcher,
    //     under m_control
    std::mutex m_control;
    std::condition_variable m_wake;
    bool m_bStarted = false;
    bool m_bPaused = false;
    bool m_bEnding = false; // a stream ended early, or Stop was asked
    bool m_bStopRequested = false;
    bool m_bVideoReady = false; // the first picture is on screen
    bool m_bAudioReady = false; // the first sound is queued
    bool m_bClockStarted = false;
    int32_t m_nEndCode = 0;
    int32_t m_nEndParam = 0;
    tagQVPreviewStats m_stats;
    double m_dLateSum = 0.0;
    std::atomic<int32_t> m_nState{kQVGraphStopped};
};

} // namespace qv
