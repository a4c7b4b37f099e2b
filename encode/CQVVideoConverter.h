// The conversion graph's owner: builds the chain for the output type, runs it, reports
// its end as events, and tears it down.
//
// Calling order of the conversion driver: construct -> attach the callbacks ->
// SetOutputPath -> SetNotifyTarget(window, 0x802) -> BuildConversionGraph(path) ->
// GetDeliveredSeconds every 500 ms -> on the notify message, take the events from
// GetMediaEvent() with timeout 0 and free each one's parameters: code 1 (complete)
// finishes; codes 2 and 3 (user abort, error abort) -> Stop, Close.
//
// Every operation runs on the driver's (UI) thread, never from a callback. The callbacks
// run on the streaming threads while the graph runs; each sample brings its own number
// and start time, and the only converter state they touch is the delivered-frame record
// (RecordDelivered), which GetDeliveredSeconds reports as progress.
#pragma once

#include "encode/CQVConversionGraph.h"
#include "encode/CQVMediaEventQueue.h"
#include "encode/EncodeSettings.h"
#include "encode/IQVAudioMixerUserCallback.h"
#include "encode/IQVVideoMixerUserCallback.h"
#include "platform/CQVMessageWindow.h"
#include "project/OutputFrameRate.h"
#include "project/OutputSettings.h"
#include "project/ProjectTimeline.h"
#include "project/SettingsFiles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qv
{

// What a conversion takes from the engine. Read at every build.
struct tagQVConverterSetup
{
    // The current output settings record. The build writes the clamped values back into
    // it (a negative target size, an MPEG-4 or MPEG-1/2 quality outside 1..31).
    tagQVOutputSettings* pSettings = nullptr;
    tagQVH264Settings h264;           // the indices of "skin/h264.dat"
    double dDuration = 0.0;           // the timeline length D in seconds; below 0.5 counts as 0.5
    int32_t* pGraphRunning = nullptr; // bGraphRunning of the control block, or null
    // The project the callbacks compose; Close frees its items' decoders. Not owned; it
    // outlives the converter (whose destructor closes). Null frees none.
    ProjectTimeline* pTimeline = nullptr;
    // Dates, place, camera and file time of the source, carried into the output.
    tagQVSourceFacts sourceFacts;
};

class CQVVideoConverter
{
public:
    // May change the Windows Media chain's codecs and rates (types 7 and 8) before the
    // encoders open; a negative result ends the build with that result.
    using WindowsMediaConfigurator = std::function<int32_t(tagQVEncodeSettings* pSettings)>;

    static constexpr double kMinDuration = 0.5;
    static constexpr double kMaxDuration = 1000000.0; // seconds; beyond this nothing builds

    explicit CQVVideoConverter(const tagQVConverterSetup& setup);
    virtual ~CQVVideoConverter(); // Close()
    CQVVideoConverter(const CQVVideoConverter&) = delete;
    CQVVideoConverter& operator=(const CQVVideoConverter&) = delete;

    // The callbacks the mixer stages call; not owned, and they must outlive every graph
    // built with them (Close guarantees that no callback runs once it returns). Null
    // leaves the samples black or silent. Take effect at the next build.
    void SetVideoMixerCallback(IQVVideoMixerUserCallback* pCallback)
    {
        m_pVideoCallback = pCallback;
    }
    void SetAudioMixerCallback(IQVAudioMixerUserCallback* pCallback)
    {
        m_pAudioCallback = pCallback;
    }
    void SetWindowsMediaConfigurator(WindowsMediaConfigurator configure)
    {
        m_configure = std::move(configure);
    }

    // Output frame rate in frames per second: 30 for a conversion unless the record asks
    // for a rate of its own (bOwnRate), which also moves the pictures' times
    // (SampleTiming). The preview player's 15 fps is never an own rate.
    void SetFrameRate(double dFrameRate, bool bOwnRate = false)
    {
        m_dFrameRate = dFrameRate;
        m_bOwnRate = bOwnRate;
    }
    double FrameRate() const { return m_dFrameRate; }
    // How the samples of this converter's runs find their time (SampleTime): output
    // picture k of the frame rate, in the fixed mode or at the rate of its own. The video
    // callback takes it when primed.
    virtual tagQVSampleTiming SampleTiming() const;

    // --- the graph's operations; a negative result means failure

    // Events go to this window as message nMessage from now on. Returns 0.
    virtual int32_t SetNotifyTarget(CQVMessageWindow::Handle hWindow, unsigned nMessage);
    // 0 when stopped or without a graph; otherwise stops the streaming (a file not yet
    // complete is discarded, no event follows) and returns 0.
    virtual int32_t Stop();
    // Running: 0. Paused: resumes. Stopped or no graph: -1 without an output path,
    // otherwise BuildConversionGraph(output path).
    virtual int32_t Run();
    // Paused: 0. No graph: 0. Running: holds the streams. Stopped: -1 (a stopped
    // conversion cannot go on; Run builds a new one).
    virtual int32_t Pause();
    // Stops, releases the graph, frees the item decoders of the project's main video line
    // and type-3 lines (a new build opens them at its own start), resets the
    // delivered-frame counter, detaches the notify window and releases the event queue.
    // Returns 0.
    virtual int32_t Close();
    // Delivered frames / frame rate; 0.0 when the frame rate is 0 or not a number.
    virtual double GetDeliveredSeconds();
    // D (at least 0.5) once a graph is built, otherwise 0.0.
    virtual double GetDuration();

    // Stores the output file's path (UTF-8). Returns 0.
    int32_t SetOutputPath(const std::string& path);

    // The events of the current or last build; null before the first build and after
    // Close. Not owned by the caller.
    CQVMediaEventQueue* GetMediaEvent() { return m_pEvents.get(); }

    // *pState: 0 stopped, 1 paused, 2 running, 3 no graph. Returns 0, or
    // kQVResultBadPointer for a null pointer.
    int32_t GetGraphState(int32_t* pState);

    // Drops any earlier graph, derives the encoder settings, builds the chain writing to
    // path and runs it; *pGraphRunning becomes 1 when it runs. Returns 0, or a negative
    // code: -1 for a missing settings record, an output type outside 0..13 or a duration
    // that is not a number or above kMaxDuration; the negative AVERROR of an encoder or
    // muxer that refuses; a negative errno of the output file (-ENOENT missing folder,
    // -EACCES / -EROFS not writable, -EISDIR a folder). A failed build also queues an
    // error-abort event (code 3, parameter 1 = the result) and posts the notify message,
    // and leaves no file under path.
    int32_t BuildConversionGraph(const std::string& path);

    // --- for the video callback, on the video streaming thread: sample nIndex (0-based)
    //     is delivered, so nIndex + 1 frames are
    void RecordDelivered(int64_t nIndex)
    {
        m_nDeliveredFrames.store(static_cast<int32_t>(nIndex + 1), std::memory_order_relaxed);
    }
    int32_t DeliveredFrames() const { return m_nDeliveredFrames.load(std::memory_order_relaxed); }

    // The encoder settings of the last build (valid after a successful derivation).
    const tagQVEncodeSettings& EncodeSettings() const { return m_settings; }

protected:
    int32_t FailBuild(int32_t nResult);

    tagQVConverterSetup m_setup;
    double m_dFrameRate = 30.0;
    bool m_bOwnRate = false;
    IQVVideoMixerUserCallback* m_pVideoCallback = nullptr;
    IQVAudioMixerUserCallback* m_pAudioCallback = nullptr;
    WindowsMediaConfigurator m_configure;

    CQVMessageWindow::Handle m_hNotifyWindow = 0;
    unsigned m_nNotifyMessage = 0;
    std::string m_outputPath;

    // --- written by the video streaming thread, read by anyone
    std::atomic<int32_t> m_nDeliveredFrames{0};

    // --- the graph of the current build; the graph goes first on release, so that no
    //     streaming thread outlives the event queue it reports to
    std::unique_ptr<CQVMediaEventQueue> m_pEvents;
    std::unique_ptr<CQVConversionGraph> m_pGraph;
    tagQVEncodeSettings m_settings;
    double m_dDuration = 0.0;
};

} // namespace qv
