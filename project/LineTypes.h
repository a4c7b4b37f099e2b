// Line (track) types of a project and the groups that the reader and writer treat
// differently. Type 8 does not exist.
#pragma once

#include <array>
#include <cstdint>

namespace qv
{

constexpr int32_t kLineMainVideo = 0;
// The overlay line whose video items keep decoders between frames, as the main line's do.
constexpr int32_t kLineOverlayVideo = 3;
constexpr int32_t kLineTitleBottom = 7;  // titles centred at the bottom, margin above it
constexpr int32_t kLineDoubleCount = 15; // its items count twice in a project's item count
constexpr int32_t kLineCamera = 32;
constexpr int32_t kLineSecondaryText = 9; // the empty second line of a front-end job

constexpr int kEngineLineCount = 47;

// The lines the engine creates before it reads a project, in this order; a line's index
// is its position here.
constexpr std::array<int32_t, kEngineLineCount> kEngineLineOrder = {
    32, 15, 0,  9,  3, 10, 16, 21, 17, 22, 18, 23, 19, 24, 20, 25, 34, 40, 35, 41, 36, 42, 37, 43,
    38, 44, 39, 45, 1, 2,  46, 47, 4,  11, 5,  12, 6,  13, 26, 29, 27, 30, 28, 31, 7,  14, 33};

// Position of the type in kEngineLineOrder, or -1 for a type the engine has no line for.
int EngineLineIndex(int32_t eMediaTypeLine);

bool IsAudioLine(int32_t type);      // 1, 2, 46, 47
bool IsOverlayLine(int32_t type);    // 3, 16-20, 34-39
bool IsTitleLine(int32_t type);      // 4-7, 26-28
bool IsTextActionLine(int32_t type); // 9-14, 21-25, 29-31, 40-45
// Lines whose items carry a source file element: 0-3, 15-20, 33-39, 46, 47.
bool IsSourceFileLine(int32_t type);
// Lines whose items get a _3DGroupSettings element: 0, 3-6, 16-20, 26-28, 34-39.
bool Is3DGroupSettingsLine(int32_t type);
// Lines whose items carry the 3D placement attributes: all but audio, text-action and
// camera lines (1, 2, 9-14, 21-25, 29-32, 40-47).
bool Is3DPlacementLine(int32_t type);
// Lines left out of the timeline length: the camera line and the text-action lines
// 9-11, 14, 21-25, 40-45.
bool IsExcludedFromLength(int32_t type);

} // namespace qv
