// The project model both programs share: a timeline of lines (tracks), each holding its
// media items in timeline order. Every list owns what it holds.
#pragma once

#include "project/tagQVMediaData.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace qv
{

struct TimelineLine
{
    int32_t nIndex = 0;         // position of the line in the project
    int32_t eMediaTypeLine = 0; // line type; every item of the line carries the same value
    int32_t bDisable = 0;       // the engine's reader skips a disabled line entirely
    std::vector<std::unique_ptr<tagQVMediaData>> items;

    // --- 3D group placement: read and written back with the file, never drawn
    int32_t bUse3DGroupTemplate = 0;
    int32_t b3DGroup = 0;
    double ax3DGroup = 0.0, ay3DGroup = 0.0, az3DGroup = 0.0;
    double x3DGroup = 0.0, y3DGroup = 0.0, z3DGroup = 0.0;
    int32_t enableLighting3DGroup = 0;
    int32_t clrLightAmbient3DGroup = 8355711;
    int32_t clrLightDiffuse3DGroup = 16777215;
    int32_t bAlwaysInFrontOfPrevLines = 0;

    int32_t subtitlebottommargin = 10; // title lines: bottom margin in pixels

    // Largest picture on an overlay line, set by the engine's reader.
    int32_t nMaxItemWidth = 0;
    int32_t nMaxItemHeight = 0;

    // Points every item's pNextItem at the item after it (the last at none).
    void LinkItems();
    // End of the last item on the timeline, 0 for an empty line.
    double EndTime() const;
};

struct ProjectTimeline
{
    int32_t b3D = 0;
    int32_t bEnableFog = 0;
    int32_t bEnableLighting = 0;
    int32_t clrFog = 11697996; // 0x00BBGGRR
    int32_t clrLightAmbient = 8355711;
    int32_t clrLightDiffuse = 16777215;
    std::vector<TimelineLine> lines;

    // --- engine only
    // Items of the main line that follow an item with an effect; they play as a line of
    // their own beside the project's lines. Empty in the front-end.
    TimelineLine secondLine;
    // The project holds a level meter ("vumeter"); the audio side measures levels then.
    int32_t bHasLevelMeter = 0;

    // Appends a line of the type with the next index. The reference lasts until the next
    // line is added.
    TimelineLine& AddLine(int32_t eMediaTypeLine);
    // The first line of the type, or null.
    TimelineLine* FindLine(int32_t eMediaTypeLine);
    const TimelineLine* FindLine(int32_t eMediaTypeLine) const;

    // The end of the last item of each line, the largest over all lines except the camera
    // and text-action lines. The second line counts too: its items were moved off the main
    // line and may end after what stays there.
    double Length() const;
    // Items as the project file counts them: those of a type-15 line twice.
    int32_t ItemCount() const;

    // The engine's 47 empty lines, one per type in the fixed order.
    static ProjectTimeline CreateEngineLines();
};

} // namespace qv
