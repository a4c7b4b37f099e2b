// Running whole conversions in tests.
#pragma once

#include "TestCallbacks.h"

#include "project/OutputSettings.h"
#include "project/SettingsFiles.h"

#include <cstdint>
#include <string>

namespace qv::test
{

// The engine's preset 9 turned into the given type and size: quality priority at the
// preset's quality, audio fields 0 as the front-end leaves them before the first edit.
tagQVOutputSettings TestRecord(int32_t nType, int32_t nWidth = 160, int32_t nHeight = 120);

struct tagQVConversionResult
{
    int32_t nBuildResult = 0;
    int32_t nEventCode = 0; // 0 when no event came in time
    intptr_t nEventParam = 0;
    int32_t nDeliveredFrames = 0;
};

// Converts with the pattern and tone callbacks and waits for the end event.
tagQVConversionResult
Convert(const std::string& path, tagQVOutputSettings* pRecord, double dDuration,
        CQVPatternCallback::EPattern ePattern = CQVPatternCallback::EPattern::Quadrants,
        const tagQVH264Settings& h264 = tagQVH264Settings(), bool bNoiseAudio = false);

// Files in the folder whose names start with ".vantrel-" (left-over temporary files).
int CountTemporaryFiles(const std::string& folder);

} // namespace qv::test
