// Process-wide state of the engine, set up at start-up and read by every later stage.
// One job per process: nothing here is freed before the process ends.
#pragma once

#include "protocol/SharedControlBlock.h"
#include "platform/SharedMapping.h"
#include "project/OutputSettings.h"
#include "project/ProjectTimeline.h"
#include "project/SettingsFiles.h"

#include <string>

namespace qv
{

struct CQVEngineGlobals
{
    // --- the control block; mapped at start-up, unmapped when the job's dialog ends
    CQVSharedMapping blockMapping;
    SharedControlBlock* pBlock = nullptr;

    // --- folders, fixed at start-up: the engine's program folder and its "tmp/"
    std::string engineFolder;
    std::string tempFolder;

    // --- output settings: the working preset table and its current record
    CQVOutputSettingsTable outputSettings{PresetTable::Engine};
    int nOutputWidth = 0; // output frame size; the project reader recomputes it
    int nOutputHeight = 0;

    // --- the job's project: the engine's lines, loaded by the job's dialog
    ProjectTimeline timeline;
    double dScaleFactorForPlay = 1.0; // preview runs only; a conversion uses 1.0

    // --- the skin settings files
    int32_t n3DSmoothing = 0;
    tagQVH264Settings h264;

    // Unmaps the block (safe to call twice).
    void UnmapBlock()
    {
        blockMapping.Unmap();
        pBlock = nullptr;
    }
};

CQVEngineGlobals& EngineGlobals();

} // namespace qv
