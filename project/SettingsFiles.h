// The two small settings files of the skin folder, "skin/h264.dat" and
// "skin/3dsmoothing.xml": one top-level element each, saved as UTF-16LE with a
// byte-order mark.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

struct tagQVH264Settings
{
    int32_t nProfileIndex = 0;
    int32_t nPFrameIndex = 6;
    int32_t nBFrameIndex = 1;
};

// Reads the top-level element "Settings"; each attribute that is missing keeps the value
// *pSettings already holds. False (nothing changed) when the file or element is missing
// or does not parse.
bool ReadH264Settings(const std::string& path, tagQVH264Settings* pSettings);

// Writes "Settings" with nProfileIndex, nPFrameIndex and nBFrameIndex. False when the
// file cannot be written.
bool WriteH264Settings(const std::string& path, const tagQVH264Settings& settings);

// Reads the attribute "Enable" of the top-level element "_3DSmoothing" (default 0).
// False (nothing changed) when the file or element is missing or does not parse.
bool ReadSmoothingSetting(const std::string& path, int32_t* pEnable);

// Writes "_3DSmoothing" with Enable. False when the file cannot be written.
bool WriteSmoothingSetting(const std::string& path, int32_t nEnable);

} // namespace qv
