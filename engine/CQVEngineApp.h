// The engine's application: prepares the process, reads its job from the control block
// and the job files, and runs exactly one job dialog (conversion or preview).
#pragma once

#include "engine/EngineGlobals.h"

namespace qv
{

enum class EngineRunMode
{
    None,       // end without a dialog
    Conversion, // run the conversion dialog
    Preview,    // run the preview dialog
};

class CQVEngineApp
{
public:
    // The whole life of the process; returns its exit status (EngineExitStatus).
    int Run(int argc, char** argv);

    // The start-up steps after the framework is up, on the given globals; separated so
    // that they can be checked in one process. Returns the run mode and, for
    // EngineRunMode::None, the exit status in *pExitStatus.
    static EngineRunMode StartUp(CQVEngineGlobals& globals, int* pExitStatus);

    // Step 4: presets, the selected slot, "tmp/option.dat" over it, the output frame size
    // and the decoder settings. False when the settings file cannot be read.
    static bool LoadOutputSettings(CQVEngineGlobals& globals);

    // The run-mode choice and, for a conversion, its preparation (H.264 settings, the
    // single-file overrides).
    static EngineRunMode ChooseRunMode(CQVEngineGlobals& globals, int* pExitStatus);

private:
    static void InitializeMediaLibraries();
};

} // namespace qv
