// Media information for the front-end's file list: whether a file has video and sound,
// its picture size and its duration, read with FFmpeg's probe.
#pragma once

#include <cstdint>
#include <string>

namespace qv
{

// Fills the five outputs for the file (UTF-8 path) and returns non-zero when the file
// could be opened and its streams read; returns 0 and leaves every output untouched
// otherwise. Has video is 1 for a real video stream (not cover art); width and height are
// that stream's, 0 without one; duration is in seconds (0 when the file does not say).
// The 64-bit extra value is set to 0 (it exists for callers that pass it; none reads it).
// Any output pointer may be null.
int GetMediaInfoEx(const std::string& path, int* pbHasVideo, int* pbHasAudio, int* pnWidth,
                   int* pnHeight, double* pdDuration, int64_t* pnExtra);

} // namespace qv
