// Media information for the front-end's file list: whether a file has video and sound,
// its picture size as players show it, its frame rate and its duration, read with
// FFmpeg's probe.
#pragma once

#include "probe/ColorDescription.h"
#include "probe/DisplayTurn.h"

#include <cstdint>
#include <string>

namespace qv
{

struct tagQVMediaInfo
{
    int bHasVideo = 0; // 1 for a real video stream (not cover art)
    int bHasAudio = 0;
    int nWidth = 0;         // the displayed picture size: a quarter turn swaps the stored sides;
    int nHeight = 0;        // 0 without video
    double dDuration = 0.0; // seconds; 0 when the file does not say
    // The video stream's declared rate and its average (pictures ÷ duration), frames per
    // second; 0 when unknown or without video.
    double dFrameRate = 0.0;
    double dAverageFrameRate = 0.0;
    // How the pictures are turned upright. bUnsupported notes a display matrix that is no
    // quarter turn or mirror (its dRequestedDegrees says what it asked): such pictures are
    // shown, cropped and converted as stored.
    tagQVDisplayTurn turn;
    // The colours of the pictures: the stream's description, completed for what it leaves
    // out (QVCompleteDescription); unspecified without video.
    tagQVColorDescription color;
};

// Fills *pInfo for the file (UTF-8 path) and returns non-zero when the file could be
// opened and its streams read; returns 0 and leaves *pInfo untouched otherwise.
int ProbeMediaInfo(const std::string& path, tagQVMediaInfo* pInfo);

// Completes the grading of *pColor (QVTakeGrading) from the first picture of the file's
// video stream: HEVC and AV1 carry it in the pictures, and MP4 files often nowhere else.
// Returns non-zero when a picture was decoded.
int ProbeFirstPictureGrading(const std::string& path, tagQVColorDescription* pColor);

// The five outputs of ProbeMediaInfo with the same result; the 64-bit extra value is set
// to 0 (it exists for callers that pass it; none reads it). Any output pointer may be null.
int GetMediaInfoEx(const std::string& path, int* pbHasVideo, int* pbHasAudio, int* pnWidth,
                   int* pnHeight, double* pdDuration, int64_t* pnExtra);

} // namespace qv
