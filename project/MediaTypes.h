// The kinds of a media item: the value of tagQVMediaData::eMediaType and of the project
// file's "eMediaType" key. The kind decides which keys an item reads and which reader
// or drawing the composition uses for it.
#pragma once

#include <cstdint>

namespace qv
{

constexpr int32_t kMediaVideo = 0;   // a video file, decoded frame by frame
constexpr int32_t kMediaAudio = 1;   // a sound file: mixed, never drawn
constexpr int32_t kMediaPicture = 2; // a still or animated picture, drawn from its file
// A kind whose items need a reader of their own, which neither program has: the project
// reader skips such items.
constexpr int32_t kMediaOwnReader = 6;

} // namespace qv
