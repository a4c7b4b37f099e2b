#include "engine/CQVEngineApp.h"

#include "compose/CQVItemEffects.h"
#include "engine/CQVConvertDlg.h"
#include "engine/CQVFullPlayDlg.h"
#include "platform/ProgramFolder.h"
#include "probe/FFmpegCommon.h"
#include "protocol/JobFolder.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>
#include <ctime>

namespace qv
{

int CQVEngineApp::Run(int argc, char** argv)
{
    // A conversion needs no display; text drawing still needs a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    CQVEngineGlobals& globals = EngineGlobals();
    int exitStatus = kEngineNothingToDo;
    EngineRunMode mode = StartUp(globals, &exitStatus);
    switch (mode)
    {
    case EngineRunMode::None:
        break;
    case EngineRunMode::Conversion:
    {
        // The items' colour adjustment and moving mask (masks from skin/mask/).
        CQVItemEffects effects;
        CQVConvertDlg dialog(globals);
        dialog.SetEffects(&effects);
        exitStatus = dialog.Run();
        break;
    }
    case EngineRunMode::Preview:
    {
        CQVItemEffects effects;
        CQVFullPlayDlg dialog(globals);
        dialog.SetEffects(&effects);
        exitStatus = dialog.Run();
        break;
    }
    }
    globals.UnmapBlock();
    return exitStatus;
}

EngineRunMode CQVEngineApp::StartUp(CQVEngineGlobals& globals, int* pExitStatus)
{
    if (!globals.blockMapping.Open(kControlBlockName, kControlBlockSize))
    {
        *pExitStatus = kEngineNoBlock;
        return EngineRunMode::None;
    }
    globals.pBlock = static_cast<SharedControlBlock*>(globals.blockMapping.Data());
    globals.engineFolder = ProgramFolder();

    if (!LoadOutputSettings(globals))
    {
        *pExitStatus = kEngineNoSettings;
        return EngineRunMode::None;
    }
    globals.tempFolder = JobFolder();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    ReadSmoothingSetting(SettingsReadPath(DataFolder(), "3dsmoothing.xml"), &globals.n3DSmoothing);
    InitializeMediaLibraries();
    return ChooseRunMode(globals, pExitStatus);
}

bool CQVEngineApp::LoadOutputSettings(CQVEngineGlobals& globals)
{
    globals.outputSettings.SelectPreset(globals.pBlock->nPresetIndex);
    if (globals.outputSettings.ReadOptionFile(JobPath("option.dat")) < 0)
        return false;
    const tagQVOutputSettings& current = globals.outputSettings.Current();
    globals.nOutputWidth = current.nWidth;
    globals.nOutputHeight = current.nHeight;
    // The decoder settings are advisory; a store that cannot be written does not stop a job.
    WriteDecoderSettings(current);
    return true;
}

void CQVEngineApp::InitializeMediaLibraries()
{
    // FFmpeg 5.1 registers codecs, filters and formats by itself, and no capture device
    // is ever opened. The engine reports only through the block: FFmpeg's console
    // messages are silenced.
    QVSilenceFFmpegLog();
}

EngineRunMode CQVEngineApp::ChooseRunMode(CQVEngineGlobals& globals, int* pExitStatus)
{
    SharedControlBlock& block = *globals.pBlock;
    if (block.bPreviewRun != 0)
    {
        if (block.bShowPreview != 0)
            return EngineRunMode::Preview;
        *pExitStatus = kEngineNothingToDo;
        return EngineRunMode::None;
    }

    ReadH264Settings(SettingsReadPath(DataFolder(), "h264.dat"), &globals.h264);
    if (block.nState == kStateIdle)
    {
        *pExitStatus = kEngineNothingToDo;
        return EngineRunMode::None;
    }
    if (PathExists(ReadBlockPath(block.szSourcePath)))
    {
        tagQVOutputSettings& current = globals.outputSettings.Current();
        current.nSizeMode = block.nOverrideSizeMode;
        current.nVideoBitrate = block.nOverrideBitrate;
        current.nFileSizeMB = block.nOverrideFileSize;
        current.nQuality = block.nOverrideQuality;
    }
    return EngineRunMode::Conversion;
}

} // namespace qv
