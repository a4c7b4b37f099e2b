#include "encode/CQVVideoConverter.h"

#include "encode/OutputColor.h"
#include "media/CQVItemRuntime.h"

#include <cmath>
#include <cstdlib>

extern "C"
{
#include <libavutil/log.h>
}

namespace qv
{

CQVVideoConverter::CQVVideoConverter(const tagQVConverterSetup& setup) : m_setup(setup)
{
    // The engine prints nothing; the encoders would otherwise report on stderr. libsvtav1
    // prints through a logger of its own, which its variable silences.
    av_log_set_level(AV_LOG_QUIET);
    setenv("SVT_LOG", "0", 1);
}

CQVVideoConverter::~CQVVideoConverter()
{
    Close();
}

int32_t CQVVideoConverter::SetNotifyTarget(CQVMessageWindow::Handle hWindow, unsigned nMessage)
{
    m_hNotifyWindow = hWindow;
    m_nNotifyMessage = nMessage;
    if (m_pEvents)
        return m_pEvents->SetNotifyWindow(hWindow, nMessage, 0);
    return 0;
}

int32_t CQVVideoConverter::GetGraphState(int32_t* pState)
{
    if (pState == nullptr)
        return kQVResultBadPointer;
    *pState = m_pGraph ? m_pGraph->State() : kQVGraphNone;
    return 0;
}

int32_t CQVVideoConverter::Stop()
{
    int32_t nState = kQVGraphNone;
    if (GetGraphState(&nState) < 0)
        return -1;
    if (nState == kQVGraphStopped || !m_pGraph)
        return 0;
    return m_pGraph->Stop();
}

int32_t CQVVideoConverter::Run()
{
    int32_t nState = kQVGraphNone;
    GetGraphState(&nState);
    if (nState == kQVGraphRunning)
        return 0;
    if (nState == kQVGraphPaused)
        return m_pGraph->Run();
    if (m_outputPath.empty())
        return -1;
    return BuildConversionGraph(m_outputPath);
}

int32_t CQVVideoConverter::Pause()
{
    int32_t nState = kQVGraphNone;
    GetGraphState(&nState);
    if (nState == kQVGraphPaused || !m_pGraph)
        return 0;
    return m_pGraph->Pause();
}

int32_t CQVVideoConverter::Close()
{
    Stop();
    m_pGraph.reset();
    // No streaming thread is left to compose: the decoders can go.
    if (m_setup.pTimeline != nullptr)
        ReleaseItemDecoders(*m_setup.pTimeline);
    if (m_pVideoCallback)
        m_pVideoCallback->ResetFrameState();
    m_nDeliveredFrames = 0;
    if (m_pEvents)
        m_pEvents->SetNotifyWindow(0, 0, 0);
    m_pEvents.reset();
    m_dDuration = 0.0;
    return 0;
}

double CQVVideoConverter::GetDeliveredSeconds()
{
    if (!(m_dFrameRate > 0.0) || std::isnan(m_dFrameRate))
        return 0.0;
    return DeliveredFrames() / m_dFrameRate;
}

tagQVSampleTiming CQVVideoConverter::SampleTiming() const
{
    tagQVSampleTiming timing;
    timing.eClock = m_bOwnRate ? EQVSampleClock::kOwnRate : EQVSampleClock::kFixed30;
    timing.dFrameRate = m_dFrameRate;
    return timing;
}

double CQVVideoConverter::GetDuration()
{
    return m_pGraph ? m_dDuration : 0.0;
}

int32_t CQVVideoConverter::SetOutputPath(const std::string& path)
{
    m_outputPath = path;
    return 0;
}

int32_t CQVVideoConverter::FailBuild(int32_t nResult)
{
    m_pGraph.reset();
    m_dDuration = 0.0;
    // The driver learns of the failure the same way as of a failed run, so that a job
    // whose graph cannot be built still ends.
    m_pEvents->Notify(kQVEventErrorAbort, nResult, 0);
    return nResult;
}

int32_t CQVVideoConverter::BuildConversionGraph(const std::string& path)
{
    double dDuration = m_setup.dDuration;
    Close();
    m_pEvents = std::make_unique<CQVMediaEventQueue>();
    m_pEvents->SetNotifyWindow(m_hNotifyWindow, m_nNotifyMessage, 0);

    if (std::isnan(dDuration) || dDuration > kMaxDuration || m_setup.pSettings == nullptr)
        return FailBuild(-1);
    if (dDuration < kMinDuration)
        dDuration = kMinDuration;

    tagQVEncodeSettings settings;
    if (DeriveEncodeSettings(m_setup.pSettings, m_setup.h264, dDuration, m_dFrameRate, &settings) <
        0)
        return FailBuild(-1);
    settings.sourceFacts = m_setup.sourceFacts;
    if (settings.bWindowsMedia && m_configure)
    {
        const int32_t nResult = m_configure(&settings);
        if (nResult < 0)
            return FailBuild(nResult);
    }
    settings.color = ProjectOutputColor(m_setup.pTimeline, settings,
                                        m_pVideoCallback && m_pVideoCallback->PicturesGoDirect());
    m_settings = settings;

    // Positions are in 100-nanosecond units.
    const int64_t nStopPosition = static_cast<int64_t>(dDuration * 10000000.0);
    m_pGraph = std::make_unique<CQVConversionGraph>();
    CQVMediaEventQueue* pEvents = m_pEvents.get();
    int32_t nResult = m_pGraph->Build(
        settings, nStopPosition, path, m_pVideoCallback, m_pAudioCallback,
        [pEvents](int32_t nCode, intptr_t nParam) { pEvents->Notify(nCode, nParam, 0); });
    if (nResult < 0)
        return FailBuild(nResult);
    m_dDuration = dDuration;

    nResult = m_pGraph->Run();
    if (nResult < 0)
        return FailBuild(nResult);
    if (m_setup.pGraphRunning != nullptr)
        *m_setup.pGraphRunning = 1;
    return nResult;
}

} // namespace qv
