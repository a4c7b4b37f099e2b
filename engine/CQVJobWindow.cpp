#include "engine/CQVJobWindow.h"

#include "compose/CAudioMixerUserCallback.h"
#include "compose/CVideoMixerUserCallback.h"
#include "encode/CQVMediaEventQueue.h"
#include "project/CQVProjectReader.h"

#include <chrono>
#include <thread>

namespace qv
{

CQVJobWindow::CQVJobWindow(CQVEngineGlobals& globals) : m_globals(globals) {}

CQVJobWindow::~CQVJobWindow() = default;

void CQVJobWindow::SetEffects(IQVItemEffects* pEffects)
{
    m_pVideoCallback->SetEffects(pEffects);
}

int CQVJobWindow::Run()
{
    RunModal();
    const bool bSucceeded = Succeeded();
    Destroy();
    return bSucceeded ? kEngineCompleted : kEngineFailed;
}

bool CQVJobWindow::ReadProject(const std::string& path, int32_t bPreviewRun)
{
    m_globals.timeline = ProjectTimeline::CreateEngineLines();
    tagQVProjectReadContext context;
    context.bPreviewRun = bPreviewRun;
    context.pOutputSettings = &m_globals.outputSettings;
    context.dScaleFactorForPlay = m_globals.dScaleFactorForPlay;
    CQVProjectReader reader(&context);
    m_bProjectLoaded = IsLoaded(reader.ReadFile(path, &m_globals.timeline));
    if (m_bProjectLoaded)
    {
        m_globals.dScaleFactorForPlay = context.dScaleFactorForPlay;
        m_globals.nOutputWidth = context.nOutputWidth;
        m_globals.nOutputHeight = context.nOutputHeight;
    }
    return m_bProjectLoaded;
}

int32_t CQVJobWindow::TakeEndEvent(CQVMediaEventQueue* pEvents)
{
    if (pEvents == nullptr)
        return 0;
    int32_t nCode = 0;
    intptr_t nParam1 = 0, nParam2 = 0;
    while (pEvents->GetEvent(&nCode, &nParam1, &nParam2, 0) == 0)
    {
        pEvents->FreeEventParams(nCode, nParam1, nParam2);
        if (nCode == kQVEventComplete || nCode == kQVEventUserAbort || nCode == kQVEventErrorAbort)
            return nCode;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

} // namespace qv
