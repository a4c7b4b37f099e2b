#include "preview/CQVTimeLinePlayer.h"

#include "compose/CAudioMixerUserCallback.h"
#include "compose/CVideoMixerUserCallback.h"

#include <cmath>

namespace qv
{

namespace
{

constexpr double kPreviewFrameRate = 15.0;
constexpr double kUnitsPerSecond = 10000000.0;

} // namespace

tagQVWindowRect PreviewWindowRect(int nOwnerWidth, int nOwnerHeight, int nPictureWidth,
                                  int nPictureHeight, int32_t b3D, int32_t bShowPreview,
                                  double dZoom, int* pPictureX, int* pPictureY)
{
    tagQVWindowRect rect;
    int nPictureX = 0;
    int nPictureY = 0;
    if (b3D != 0)
    {
        // The 3D picture is drawn by the preview window itself; this window stays empty.
    }
    else if (bShowPreview != 0)
    {
        // The owner's picture band: below the 30-pixel caption band and its line, above
        // the 40-pixel button band, inside the 1-pixel border. A zoom above 1 grows the
        // window evenly on every side; the picture keeps its place and size.
        if (!std::isfinite(dZoom))
            dZoom = 1.0;
        const int nBandWidth = nOwnerWidth - 2;
        const int nBandHeight = nOwnerHeight - 71;
        const int mx = static_cast<int>(nBandWidth * (dZoom - 1.0) * 0.5);
        const int my = static_cast<int>(nBandHeight * (dZoom - 1.0) * 0.5);
        rect = {1 - mx, 31 - my, nBandWidth + 2 * mx, nBandHeight + 2 * my};
        nPictureX = mx;
        nPictureY = my;
        if (nPictureWidth > 0 && nPictureWidth < rect.nWidth)
        {
            rect.x += (rect.nWidth - nPictureWidth) / 2;
            rect.nWidth = nPictureWidth;
            nPictureX = 0;
        }
        if (nPictureHeight > 0 && nPictureHeight < rect.nHeight)
        {
            rect.y += (rect.nHeight - nPictureHeight) / 2;
            rect.nHeight = nPictureHeight;
            nPictureY = 0;
        }
    }
    else
        rect = {0, 0, nOwnerWidth, nOwnerHeight};
    if (rect.nWidth <= 0 || rect.nHeight <= 0)
        rect = tagQVWindowRect{};
    if (pPictureX)
        *pPictureX = nPictureX;
    if (pPictureY)
        *pPictureY = nPictureY;
    return rect;
}

CQVTimeLinePlayer::CQVTimeLinePlayer(const tagQVConverterSetup& setup,
                                     const tagQVPreviewSetup& preview,
                                     CVideoMixerUserCallback* pVideoCallback,
                                     CAudioMixerUserCallback* pAudioCallback)
    : CQVVideoConverter(setup), m_preview(preview), m_pVideoMixer(pVideoCallback),
      m_pAudioMixer(pAudioCallback)
{
    SetVideoMixerCallback(pVideoCallback);
    SetAudioMixerCallback(pAudioCallback);
}

CQVTimeLinePlayer::~CQVTimeLinePlayer()
{
    Close();
}

int32_t CQVTimeLinePlayer::PreviewState() const
{
    return m_pPreview ? m_pPreview->State() : kQVGraphNone;
}

uint32_t CQVTimeLinePlayer::VideoWindow() const
{
    return m_pPreview ? m_pPreview->Video().WindowId() : 0;
}

int32_t CQVTimeLinePlayer::Stop()
{
    const int32_t nState = PreviewState();
    if (nState == kQVGraphNone || nState == kQVGraphStopped)
        return 0;
    return m_pPreview->Stop();
}

int32_t CQVTimeLinePlayer::Pause()
{
    const int32_t nState = PreviewState();
    if (nState == kQVGraphNone || nState == kQVGraphPaused)
        return 0;
    return m_pPreview->Pause();
}

int32_t CQVTimeLinePlayer::Run()
{
    const int32_t nState = PreviewState();
    if (nState == kQVGraphRunning)
        return 0;
    if (nState == kQVGraphPaused)
        return m_pPreview->Run();
    // A graph that has stopped cannot stream again: it is made anew.
    const int32_t nResult = BuildPreviewGraph();
    if (m_setup.pGraphRunning != nullptr && *m_setup.pGraphRunning == 0 &&
        m_preview.pPreviewFailed != nullptr)
        *m_preview.pPreviewFailed = 1;
    if (nResult < 0)
        return nResult;
    return m_pPreview->Run();
}

int32_t CQVTimeLinePlayer::Close()
{
    // The graph goes before the event queue: no streaming thread outlives what it reports to.
    if (m_pPreview)
        m_pPreview->Stop();
    m_pPreview.reset();
    return CQVVideoConverter::Close();
}

double CQVTimeLinePlayer::GetDeliveredSeconds()
{
    if (!m_pPreview)
        return 0.0;
    return m_pPreview->CurrentPosition() / kUnitsPerSecond + m_dStartPosition;
}

tagQVSampleTiming CQVTimeLinePlayer::SampleTiming() const
{
    tagQVSampleTiming timing;
    timing.eClock = EQVSampleClock::kPlayer;
    timing.dFrameRate = kPreviewFrameRate;
    timing.dStartPosition = m_dStartPosition;
    return timing;
}

tagQVPreviewStats CQVTimeLinePlayer::Stats()
{
    return m_pPreview ? m_pPreview->Stats() : tagQVPreviewStats{};
}

int32_t CQVTimeLinePlayer::BuildPreviewGraph()
{
    SetFrameRate(kPreviewFrameRate);
    double dDuration = m_setup.dDuration;
    if (std::isnan(dDuration) || dDuration > kMaxDuration)
        return -1;
    if (dDuration < kMinDuration)
        dDuration = kMinDuration;
    Close();
    m_dPreviewDuration = dDuration;
    if (!(m_dStartPosition >= 0.0) || dDuration - 0.05 < m_dStartPosition)
        m_dStartPosition = 0.0;

    m_pEvents = std::make_unique<CQVMediaEventQueue>();
    m_pEvents->SetNotifyWindow(m_hNotifyWindow, m_nNotifyMessage, 0);
    if (m_pVideoMixer)
        m_pVideoMixer->Prime(this, 0);
    if (m_pAudioMixer)
        m_pAudioMixer->SetStartOffset(m_dStartPosition);

    m_pPreview = std::make_unique<CQVPreviewGraph>();
    if (m_hOwnerWindow != 0)
    {
        int32_t nResult =
            m_pPreview->OpenVideo(m_hOwnerWindow, m_preview.nWidth, m_preview.nHeight);
        if (nResult < 0)
            return nResult;
        int nPictureX = 0;
        int nPictureY = 0;
        CQVVideoRenderer& video = m_pPreview->Video();
        const tagQVWindowRect rect = PreviewWindowRect(
            video.HostWidth(), video.HostHeight(), m_preview.nWidth, m_preview.nHeight,
            m_preview.b3D, m_preview.bShowPreview, m_preview.dZoom, &nPictureX, &nPictureY);
        nResult = video.Place(rect, nPictureX, nPictureY);
        if (nResult < 0)
            return nResult;
    }
    // Positions are in 100-nanosecond units from the start position.
    const int64_t nStopPosition =
        static_cast<int64_t>((dDuration - m_dStartPosition) * kUnitsPerSecond);
    CQVMediaEventQueue* pEvents = m_pEvents.get();
    const int32_t nResult = m_pPreview->Build(
        m_preview.nWidth, m_preview.nHeight, kPreviewFrameRate, nStopPosition, m_pVideoMixer,
        m_pAudioMixer,
        [pEvents](int32_t nCode, intptr_t nParam) { pEvents->Notify(nCode, nParam, 0); });
    if (nResult < 0)
        return nResult;
    if (m_setup.pGraphRunning != nullptr)
        *m_setup.pGraphRunning = 1;
    return 0;
}

} // namespace qv
