// Generated media and small helpers for the composition tests. Files are made with the
// ffmpeg command line at test time and cached per user like the decoder tests' media.
#pragma once

#include "project/tagQVMediaData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv::test
{

enum class EComposeMedia
{
    Bgra640, // 640×480 testsrc2, 30 fps, 15 frames, FFV1 with BGRA pixels: decodes exactly
    Bgra642, // 642×480, otherwise as Bgra640: a width that is not a multiple of 4
    Gif4,    // 64×48 GIF, 4 frames of 0.1 s
    GifZero, // Gif4 with every frame delay patched to 0
};

// Path of the file, made when missing; empty when ffmpeg failed.
std::string ComposeMediaPath(EComposeMedia eMedia);

// Picture n of a file as BGRA bytes at the file's size, top row first, through the
// ffmpeg command line. False when ffmpeg fails or gives the wrong number of bytes.
bool ExtractRawFrame(const std::string& path, int nFrame, int nWidth, int nHeight,
                     std::vector<uint8_t>* pBytes);

// 64-bit FNV-1a of the bytes: the golden value of a composed frame.
uint64_t HashBytes(const uint8_t* pBytes, size_t nSize);

// A main-line video item of the whole source, placed at output time 0.
std::unique_ptr<tagQVMediaData> MakeVideoItem(const std::string& path, int nWidth, int nHeight,
                                              double dDuration);

// A main-line picture item from dStart to dEnd.
std::unique_ptr<tagQVMediaData> MakePictureItem(const std::string& path, double dStart,
                                                double dEnd);

// The BGRA pixel of a frame at (x, y), y counted from the top of the picture, bottom row
// first in memory.
const uint8_t* UprightPixel(const std::vector<uint8_t>& frame, int nWidth, int nHeight, int x,
                            int y);

} // namespace qv::test
