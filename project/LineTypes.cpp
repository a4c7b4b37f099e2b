#include "project/LineTypes.h"

namespace qv
{

namespace
{

bool InRange(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

} // namespace

int EngineLineIndex(int32_t eMediaTypeLine)
{
    for (int i = 0; i < kEngineLineCount; ++i)
        if (kEngineLineOrder[i] == eMediaTypeLine)
            return i;
    return -1;
}

bool IsAudioLine(int32_t type)
{
    return type == 1 || type == 2 || type == 46 || type == 47;
}

bool IsOverlayLine(int32_t type)
{
    return type == 3 || InRange(type, 16, 20) || InRange(type, 34, 39);
}

bool IsTitleLine(int32_t type)
{
    return InRange(type, 4, 7) || InRange(type, 26, 28);
}

bool IsTextActionLine(int32_t type)
{
    return InRange(type, 9, 14) || InRange(type, 21, 25) || InRange(type, 29, 31) ||
           InRange(type, 40, 45);
}

bool IsSourceFileLine(int32_t type)
{
    return InRange(type, 0, 3) || InRange(type, 15, 20) || InRange(type, 33, 39) || type == 46 ||
           type == 47;
}

bool Is3DGroupSettingsLine(int32_t type)
{
    return type == 0 || InRange(type, 3, 6) || InRange(type, 16, 20) || InRange(type, 26, 28) ||
           InRange(type, 34, 39);
}

bool Is3DPlacementLine(int32_t type)
{
    return !(type == 1 || type == 2 || InRange(type, 9, 14) || InRange(type, 21, 25) ||
             InRange(type, 29, 32) || InRange(type, 40, 47));
}

bool IsExcludedFromLength(int32_t type)
{
    return type == kLineCamera || InRange(type, 9, 11) || type == 14 || InRange(type, 21, 25) ||
           InRange(type, 40, 45);
}

} // namespace qv
