#include "engine/CQVConvertDlg.h"

#include "compose/CAudioMixerUserCallback.h"
#include "compose/CQVLevelMapping.h"
#include "compose/CVideoMixerUserCallback.h"
#include "encode/CQVVideoConverter.h"
#include "encode/EncoderMapping.h"
#include "encode/WindowsMediaWriter.h"
#include "formats/OutputTypes.h"
#include "media/CQVFFMpegCapture.h"
#include "media/SourceFacts.h"
#include "platform/ProgramFolder.h"
#include "probe/MediaInfoProbe.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"
#include "project/OutputFrameRate.h"
#include "protocol/JobFolder.h"

namespace qv
{

CQVConvertDlg::CQVConvertDlg(CQVEngineGlobals& globals) : CQVJobWindow(globals)
{
    SharedControlBlock& block = *m_globals.pBlock;
    m_bSingleFile = PathExists(ReadBlockPath(block.szSourcePath));
    // A project that neither parser can read leaves the empty lines: the job then runs on
    // an empty timeline, as the front-end expects.
    ReadProject(JobPath(m_bSingleFile ? "listctrl.qvprj" : "qvengine.qvprj"),
                block.bPreviewRun != 0 ? 1 : 0);

    tagQVConverterSetup setup;
    setup.pSettings = &m_globals.outputSettings.Current();
    setup.h264 = m_globals.h264;
    setup.dDuration = m_globals.timeline.Length();
    setup.pTimeline = &m_globals.timeline;
    setup.pGraphRunning = &block.bGraphRunning;
    if (const tagQVMediaData* pItem = FirstMainVideoItem())
        ReadSourceFacts(pItem->source, &setup.sourceFacts);
    // Windows Media output takes its chain from the front-end's profile. It is read before
    // the composition is sized, so that pictures come at the size and rate the profile
    // encodes, and applied by the graph build, which a profile that cannot be read fails.
    std::shared_ptr<CQVWmProfile> pProfile;
    int32_t nProfileResult = 0;
    double dProfileFrameRate = 0.0;
    if (IsWindowsMediaType(setup.pSettings->nOutputFormat))
    {
        pProfile = std::make_shared<CQVWmProfile>();
        tagQVEncodeSettings chain;
        nProfileResult = LoadProfileFile(JobPath("wmv.prx"), pProfile.get());
        if (nProfileResult == 0)
            nProfileResult = ConfigureFromProfile(*pProfile, &chain);
        if (nProfileResult == 0)
        {
            setup.pSettings->nWidth = chain.nWidth;
            setup.pSettings->nHeight = chain.nHeight;
            m_globals.nOutputWidth = chain.nWidth;
            m_globals.nOutputHeight = chain.nHeight;
            dProfileFrameRate = chain.dFrameRate;
        }
    }
    m_pVideoCallback =
        std::make_unique<CVideoMixerUserCallback>(m_globals.timeline, setup.pSettings->nWidth,
                                                  setup.pSettings->nHeight, m_globals.tempFolder);
    m_pAudioCallback =
        std::make_unique<CAudioMixerUserCallback>(m_globals.timeline, m_globals.tempFolder, 1);
    m_pConverter = std::make_unique<CQVVideoConverter>(setup);
    // Windows Media takes the rate the front-end wrote into the profile.
    const double dFrameRate =
        dProfileFrameRate > 0.0 ? dProfileFrameRate : ConversionFrameRate(*setup.pSettings);
    m_pConverter->SetFrameRate(dFrameRate, HasOwnFrameRate(setup.pSettings->nOutputFrameRate));
    m_pAudioCallback->SetOutputFrameRate(dFrameRate);
    if (pProfile)
    {
        m_pConverter->SetWindowsMediaConfigurator(
            [pProfile, nProfileResult](tagQVEncodeSettings* pSettings) {
                return nProfileResult != 0 ? nProfileResult
                                           : ConfigureFromProfile(*pProfile, pSettings);
            });
    }
    m_pVideoCallback->Prime(m_pConverter.get(), 1);
    m_pConverter->SetVideoMixerCallback(m_pVideoCallback.get());
    m_pConverter->SetAudioMixerCallback(m_pAudioCallback.get());
}

const tagQVMediaData* CQVConvertDlg::FirstMainVideoItem() const
{
    const TimelineLine* main = m_globals.timeline.FindLine(kLineMainVideo);
    if (main)
        for (const auto& item : main->items)
            if (item->eMediaType == kMediaVideo)
                return item.get();
    return nullptr;
}

double CQVConvertDlg::ConversionFrameRate(const tagQVOutputSettings& record) const
{
    tagQVSourceFrameRates source;
    tagQVMediaInfo info;
    const tagQVMediaData* pItem = FirstMainVideoItem();
    if (record.nOutputFrameRate == kFrameRateSameAsSource && pItem &&
        ProbeMediaInfo(pItem->source, &info))
        source = {info.dFrameRate, info.dAverageFrameRate};
    return EncoderFrameRate(record.nOutputFormat, OutputFrameRate(record.nOutputFrameRate, source));
}

CQVConvertDlg::~CQVConvertDlg()
{
    Destroy();
}

bool CQVConvertDlg::SourcesCanBeOpened() const
{
    auto check = [](const TimelineLine& line)
    {
        for (const auto& item : line.items)
            if (item->eMediaType == kMediaVideo &&
                CQVFFMpegCapture(item->source, 16, 16, false).Failed())
                return false;
        return true;
    };
    const TimelineLine* main = m_globals.timeline.FindLine(kLineMainVideo);
    return (!main || check(*main)) && check(m_globals.timeline.secondLine);
}

void CQVConvertDlg::OnInitModal()
{
    SetTimer(kTimerGoSignal, 100);
    // The front-end usually gives the signal before the engine starts: begin at once rather
    // than a tick later.
    OnTimer(kTimerGoSignal);
}

void CQVConvertDlg::OnTimer(unsigned nId)
{
    SharedControlBlock* block = m_globals.pBlock;
    if (!block)
        return;
    if (nId == kTimerGoSignal)
    {
        if (m_bSingleFile || block->bStartConvert != 0)
        {
            KillTimer(kTimerGoSignal);
            StartConversion();
        }
        return;
    }
    if (nId == kTimerPosition)
    {
        if (block->nState != kStateIdle)
            block->dPosition = m_pConverter->GetDeliveredSeconds();
        else
            KillTimer(kTimerPosition); // the graph runs on to its end
    }
}

void CQVConvertDlg::StartConversion()
{
    std::string output = ReadBlockPath(m_globals.pBlock->szOutputPath);
    m_pConverter->SetOutputPath(output);
    SetTimer(kTimerPosition, 500);
    m_pConverter->SetNotifyTarget(GetHandle(), kMessageGraphEvent);
    // A source that cannot be opened at all would only give a black file of its length.
    if (!SourcesCanBeOpened())
    {
        EndJob(false);
        return;
    }
    if (m_globals.timeline.bHasLevelMeter)
    {
        m_pLevels = std::make_unique<CQVLevelMapping>();
        if (m_pLevels->Create(m_globals.timeline.Length(), m_pConverter->FrameRate()))
        {
            m_pVideoCallback->SetLevelSource(m_pLevels.get());
            m_pAudioCallback->SetLevelSink(m_pLevels.get());
        }
    }
    // A graph that cannot be built or run ends the job at once instead of reporting
    // position 0 for ever; its error event, if any, then finds the loop gone.
    if (output.empty() || m_pConverter->BuildConversionGraph(output) < 0)
        EndJob(false);
}

intptr_t CQVConvertDlg::OnMessage(unsigned nMsg, uintptr_t, intptr_t)
{
    if (nMsg == kMessageGraphEvent)
        TakeGraphEvents();
    else if (nMsg == kMessageCopyData && m_globals.pBlock && m_globals.pBlock->nState == kStateIdle)
        EndModal(kQuitCode);
    return 0;
}

void CQVConvertDlg::TakeGraphEvents()
{
    const int32_t nCode = TakeEndEvent(m_pConverter ? m_pConverter->GetMediaEvent() : nullptr);
    if (nCode == kQVEventComplete)
    {
        if (m_globals.pBlock)
            m_globals.pBlock->dPosition = m_globals.timeline.Length();
        m_bCompleted = true;
        EndModal(kQuitCode);
    }
    else if (nCode != 0)
        EndJob(false);
}

void CQVConvertDlg::EndJob(bool bCompleted)
{
    KillTimer(kTimerPosition);
    m_pConverter->Stop();
    m_pConverter->Close();
    if (m_globals.pBlock)
        m_globals.pBlock->nState = kStateIdle;
    m_bCompleted = bCompleted;
    EndModal(kQuitCode);
}

void CQVConvertDlg::Destroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    KillTimer(kTimerPosition);
    KillTimer(kTimerGoSignal);
    // The converter stops its streaming threads before anything they use goes away.
    m_pConverter.reset();
    m_pAudioCallback.reset();
    m_pVideoCallback.reset();
    if (m_pLevels)
        m_pLevels->Close(true);
    m_pLevels.reset();
    if (m_globals.pBlock)
    {
        m_globals.pBlock->nState = kStateIdle;
        m_globals.pBlock->bEngineClosed = 1;
    }
    m_globals.UnmapBlock();
}

} // namespace qv
