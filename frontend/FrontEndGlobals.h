// Process-wide state of the front-end, made at start-up and read by every dialog.
// Lives on the GUI thread only.
#pragma once

#include "project/OutputSettings.h"
#include "project/SettingsFiles.h"
#include "protocol/CQVControlBlockOwner.h"

#include <string>

namespace qv
{

struct CQVFrontEndGlobals
{
    // --- fixed at start-up: the program folder and its "tmp/" (both end in "/")
    std::string programFolder;
    std::string tempFolder;

    // --- the output settings table with its current record (edited by the movie settings)
    CQVOutputSettingsTable outputSettings{PresetTable::FrontEnd};
    int nOutputWidth = 856; // the current output size
    int nOutputHeight = 480;
    int32_t n3DSmoothing = 0; // the 3D smoothing switch, saved in "skin/3dsmoothing.xml"

    // --- the H.264 choices, loaded from "skin/h264.dat" and saved by the H.264 settings
    tagQVH264Settings h264;

    // --- the control block, created at start-up and removed at exit
    CQVControlBlockOwner controlBlock;

    std::string SkinPath(const std::string& relative) const
    {
        return programFolder + "skin/" + relative;
    }
    std::string TempPath(const std::string& relative) const { return tempFolder + relative; }
};

CQVFrontEndGlobals& FrontEndGlobals();

} // namespace qv
