#include "engine/CQVFullPlayDlg.h"

#include "compose/CAudioMixerUserCallback.h"
#include "compose/CVideoMixerUserCallback.h"
#include "platform/ProgramFolder.h"
#include "preview/CQVTimeLinePlayer.h"
#include "protocol/JobFolder.h"

namespace qv
{

CQVFullPlayDlg::CQVFullPlayDlg(CQVEngineGlobals& globals) : CQVJobWindow(globals)
{
    SharedControlBlock& block = *m_globals.pBlock;
    // A project that cannot be read plays as an empty timeline: a short black picture.
    if (!ReadProject(JobPath("qvengine.qvprj"), 1))
    {
        // The reader rounds a preview's size down to multiples of 4; so does an unread one.
        m_globals.nOutputWidth -= m_globals.nOutputWidth % 4;
        m_globals.nOutputHeight -= m_globals.nOutputHeight % 4;
    }

    tagQVConverterSetup setup;
    setup.pSettings = &m_globals.outputSettings.Current();
    setup.h264 = m_globals.h264;
    setup.dDuration = m_globals.timeline.Length();
    setup.pTimeline = &m_globals.timeline; // restarts reopen the items' decoders
    setup.pGraphRunning = &block.bGraphRunning;
    tagQVPreviewSetup preview;
    preview.nWidth = m_globals.nOutputWidth;
    preview.nHeight = m_globals.nOutputHeight;
    preview.bShowPreview = block.bShowPreview;
    preview.b3D = m_globals.timeline.b3D;
    preview.pPreviewFailed = &block.bPreviewFailed;

    m_pVideoCallback = std::make_unique<CVideoMixerUserCallback>(
        m_globals.timeline, preview.nWidth, preview.nHeight, m_globals.tempFolder);
    m_pAudioCallback =
        std::make_unique<CAudioMixerUserCallback>(m_globals.timeline, m_globals.tempFolder, 0);
    m_pVideoCallback->SetPreviewLevelSource(m_pAudioCallback.get());
    m_pPlayer = std::make_unique<CQVTimeLinePlayer>(setup, preview, m_pVideoCallback.get(),
                                                    m_pAudioCallback.get());
}

CQVFullPlayDlg::~CQVFullPlayDlg()
{
    Destroy();
}

void CQVFullPlayDlg::OnInitModal()
{
    m_pPlayer->SetNotifyTarget(GetHandle(), kMessageGraphEvent);
    // The player places its window in the host's picture band; for a 3D project it keeps
    // the window hidden, as nothing draws 3D pictures.
    const uint32_t hHost = m_globals.pBlock ? PreviewHost(*m_globals.pBlock) : 0;
    if (hHost != 0)
        m_pPlayer->SetOwnerWindow(hHost);
    SetTimer(kTimerStart, 10);
}

void CQVFullPlayDlg::OnTimer(unsigned nId)
{
    SharedControlBlock* pBlock = m_globals.pBlock;
    if (pBlock == nullptr)
        return;
    if (nId == kTimerStart)
        StartPlaying();
    else if (nId == kTimerPosition)
        pBlock->dPosition = m_pPlayer->GetDeliveredSeconds();
}

void CQVFullPlayDlg::StartPlaying()
{
    SharedControlBlock& block = *m_globals.pBlock;
    SetTimer(kTimerPosition, 100);
    KillTimer(kTimerStart);
    if (m_pPlayer->Run() >= 0)
    {
        block.nState = kStateRunning;
        return;
    }
    block.bPreviewFailed = 1;
    m_bFailed = true;
    KillTimer(kTimerPosition);
    block.nState = kStateIdle;
    EndModal(kQuitCode);
}

intptr_t CQVFullPlayDlg::OnMessage(unsigned nMsg, uintptr_t, intptr_t)
{
    if (nMsg == kMessageGraphEvent)
        TakeGraphEvents();
    return 0; // kMessageIgnored and everything else
}

void CQVFullPlayDlg::TakeGraphEvents()
{
    if (TakeEndEvent(m_pPlayer ? m_pPlayer->GetMediaEvent() : nullptr) == 0)
        return;
    KillTimer(kTimerPosition);
    if (m_globals.pBlock)
        m_globals.pBlock->nState = kStateIdle;
    EndModal(kQuitCode);
}

void CQVFullPlayDlg::Destroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    if (m_pPlayer)
        m_pPlayer->Pause();
    KillTimer(kTimerPosition);
    KillTimer(kTimerStart);
    if (m_globals.pBlock)
        m_globals.pBlock->nState = kStateIdle;
    // The player stops its streaming threads before the callbacks and the project go.
    m_pPlayer.reset();
    m_pAudioCallback.reset();
    m_pVideoCallback.reset();
    m_globals.timeline = ProjectTimeline();
    m_globals.UnmapBlock();
}

} // namespace qv
