// The front-end's variant of the capture: grabs single pictures of a file (for the crop
// dialog's frame images) without the engine. Pictures are never flipped, and a file with
// only audio opens too (it then has a duration but no pictures).
#pragma once

#include "probe/CQVFFMpegCaptureBase.h"

namespace qv
{

class CQVFFMpegStillCapture : public CQVFFMpegCaptureBase
{
public:
    static constexpr int kMinWidth = 320;
    static constexpr int kMinHeight = 240;

    // Opens the file (UTF-8 path). The image is 320 × 240, or with bSizeFromStream the
    // stream's displayed size (a quarter turn swaps the stored sides), pixel for pixel.
    // Pictures are upright as players show them.
    // Failed() is 1 when the file has neither a video nor an audio stream.
    CQVFFMpegStillCapture(const std::string& path, bool bSizeFromStream);

    bool Open(const std::string& path);

    bool HasAudio() const { return m_nAudioStreamIndex >= 0; }

    // Stops on the first picture at or after t (seconds from the stream's start, to the
    // millisecond), or on the last picture when t lies beyond it. False without a picture.
    bool GetFrameAtTime(double dSeconds);

    // Writes the picture at t as a JPEG file (top row first, destination size). False when
    // the reader failed, has no video, no picture can be made, or the file cannot be written.
    bool SaveFrameAsJpeg(double dSeconds, const std::string& jpegPath);

private:
    bool m_bSizeFromStream = false;
};

} // namespace qv
