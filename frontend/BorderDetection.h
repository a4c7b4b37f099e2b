// Finding the black borders of a video: letterbox bars, pillarbox bars or both. Frames are
// sampled over the whole source, and the result is the smallest rectangle that holds every
// non-black line of every usable sample, so that a dark scene, a fade or a noisy bar does
// not mislead it the way a single frame would.
#pragma once

#include "frontend/CropGeometry.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace qv
{

// Collects luma samples of one picture size and answers the picture rectangle.
class CQVBorderFinder
{
public:
    // Luma at or below this (on the 16-235 scale) is black.
    static constexpr int kBlackLuma = 24;

    CQVBorderFinder(int nWidth, int nHeight);

    // A line of n pixels still counts as black when at most this many of them are not:
    // a few specks of noise do not make a bar part of the picture.
    static int NoiseAllowance(int nLength);

    // Adds a picture of the finder's size (8-bit luma on the 16-235 scale, nStride bytes
    // per row). Returns false, and the sample does not count, when it is black all over
    // (a fade) or there is no picture.
    bool AddSample(const uint8_t* pLuma, int nStride);
    int UsableSamples() const { return m_nUsable; }

    // The picture rectangle of the usable samples, each edge that lies inside the frame
    // rounded inward to an even value (an edge on the frame's border stays there, so a
    // source without borders gives the full frame). False without a usable sample.
    bool GetPictureRect(tagQVCropValues* pRect) const;

private:
    int m_nWidth;
    int m_nHeight;
    int m_nUsable = 0;
    // The union of the samples' pictures: [left, right) x [top, bottom).
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
};

enum class EQVBorderResult
{
    Found,          // the rectangle is set
    NoUsableSample, // every sample was black, or no picture decoded
    CannotOpen,     // no file, or no video stream that can be decoded
    Cancelled,      // the cancel flag was raised
};

// At least this many frames are sampled, spread evenly over the whole source (fewer only
// when the source has fewer pictures).
constexpr int kBorderSampleCount = 12;

// Decodes samples of the file (UTF-8 path) and finds its picture rectangle in pixels of
// the video stream's picture size; with nWidth and nHeight above 0 the rectangle is scaled
// to that size when the stream's size differs. Runs on any thread (it touches nothing
// shared); pCancel (may be null) is read between pictures. pnSamples gets the number of
// usable samples.
EQVBorderResult DetectPictureRect(const std::string& sourcePath, int nWidth, int nHeight,
                                  const std::atomic<bool>* pCancel, tagQVCropValues* pRect,
                                  int* pnSamples = nullptr);

} // namespace qv
