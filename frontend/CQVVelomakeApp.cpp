#include "frontend/CQVVelomakeApp.h"

#include "frontend/CQVMainDlg.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/TempFolder.h"
#include "media/FFMpegCommon.h"
#include "platform/ProgramFolder.h"
#include "ui/CQVControlClasses.h"
#include "ui/CQVTheme.h"

namespace qv
{

CQVVelomakeApp::~CQVVelomakeApp()
{
    ExitInstance();
}

bool CQVVelomakeApp::InitInstance()
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    globals.programFolder = ProgramFolder();
    globals.tempFolder = globals.programFolder + "tmp/";

    if (!m_lock.Acquire(kInstanceLockName))
    {
        m_eResult = kSecondInstance;
        return false;
    }
    m_bStarted = true;

    CQVTheme::LoadFile(globals.SkinPath("uicolors/UIColors.uic"));
    ReadH264Settings(globals.SkinPath("h264.dat"), &globals.h264);

    globals.outputSettings.SelectPreset(kFallbackPreset);
    globals.nOutputWidth = globals.outputSettings.Current().nWidth;
    globals.nOutputHeight = globals.outputSettings.Current().nHeight;
    WriteDecoderSettings(globals.outputSettings.Current());

    if (!globals.controlBlock.Create())
    {
        m_eResult = kNoControlBlock;
        return false;
    }
    QVSilenceFFMpegLog();
    CQVControlClasses::RegisterWithSkinLoader();
    return true;
}

void CQVVelomakeApp::Run()
{
    CQVMainDlg dialog;
    dialog.DoModal();
}

void CQVVelomakeApp::ExitInstance()
{
    if (!m_bStarted)
        return;
    m_bStarted = false;
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    EmptyFolder(globals.tempFolder);
    globals.controlBlock.Destroy();
    m_lock.Release();
}

} // namespace qv
