// What the frame composition needs from its caller beyond the item and the frame: the
// output format of the job, the program's tmp folder, the current output time and the
// per-line slot state. One per video mixer callback; the composition routines read and
// update it on the streaming thread only, one frame at a time.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

struct tagQVMediaData;
class IQVItemEffects;

// Output frame rates: the rewind replay and the animated pictures count in output frames.
constexpr double kQVConvertFrameRate = 30.0;
constexpr double kQVPreviewFrameRate = 15.0;

struct tagQVCompositionContext
{
    // --- set once per job by the owner
    int32_t nOutputWidth = 0;  // W of every frame buffer
    int32_t nOutputHeight = 0; // H of every frame buffer
    double dOutputFrameRate = kQVConvertFrameRate;
    // The program's tmp folder with a trailing "/" (rewind frames, picture files). Empty:
    // nothing is written or read there, and what needs those files does nothing.
    std::string tmpFolder;
    int32_t b3D = 0; // the project's 3D flag
    // Colour adjustment and moving mask of picture items; null draws them unchanged.
    // Not owned.
    IQVItemEffects* pEffects = nullptr;

    // --- written by the owner before each frame: the time its sample stands for
    // (SampleTime of project/OutputFrameRate.h), in timeline seconds
    double dCurrentTime = 0.0;

    // --- kept by ReleaseLineItem: the item last rendered in slot 0 (main line) and slot 1
    // (second line). Not owned: the owner clears them before the project is freed.
    tagQVMediaData* pSlotItems[2] = {nullptr, nullptr};
};

} // namespace qv
