// Process-wide state of the front-end, made at start-up and read by every dialog.
// Lives on the GUI thread only.
#pragma once

#include "frontend/JobFiles.h"
#include "project/OutputSettings.h"
#include "project/SettingsFiles.h"
#include "protocol/CQVControlBlockOwner.h"

#include <string>

namespace qv
{

struct CQVFrontEndGlobals
{
    // --- fixed at start-up (all end in "/"): the program folder, the folder holding skin/
    // (the same, or the installed data folder), and the job folder ("tmp/" beside the
    // programs, or the user's runtime folder when installed)
    std::string programFolder;
    std::string dataFolder;
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

    // The folder holding skin/: the data folder, else the program folder.
    const std::string& SkinRoot() const { return dataFolder.empty() ? programFolder : dataFolder; }
    std::string SkinPath(const std::string& relative) const
    {
        return SkinRoot() + "skin/" + relative;
    }
    // A written settings file ("h264.dat", "3dsmoothing.xml"), by the rule both programs
    // share (protocol/JobFolder.h).
    std::string SettingsWritePath(const std::string& name) const;
    std::string SettingsReadPath(const std::string& name) const;
    std::string TempPath(const std::string& relative) const { return tempFolder + relative; }
    // The current record's output size, and the current output size with it.
    void SetOutputSize(int nWidth, int nHeight)
    {
        outputSettings.Current().nWidth = nOutputWidth = nWidth;
        outputSettings.Current().nHeight = nOutputHeight = nHeight;
    }
    // What the job files of a render or preview take from here.
    tagQVJobContext JobContext() const
    {
        return {&outputSettings, h264, SettingsWritePath("h264.dat"), tempFolder};
    }
};

CQVFrontEndGlobals& FrontEndGlobals();

} // namespace qv
