// The engine's video reader: the first video stream of a source decoded to BGRA pictures
// of a fixed size, walked forward in time by the frame composer. One per open video item.
#pragma once

#include "probe/CQVFFMpegCaptureBase.h"

namespace qv
{

class CQVFFMpegCapture : public CQVFFMpegCaptureBase
{
public:
    // Opens the file (UTF-8 path). The image is nDestWidth × nDestHeight BGRA, upright as
    // players show the stream (nDestWidth × nDestHeight is a displayed size, as the probe
    // reports it); with bFlip its rows are stored bottom row first. Failed() is 1 when the file
    // cannot be opened or has no video stream (an audio-only file fails here).
    CQVFFMpegCapture(const std::string& path, int nDestWidth, int nDestHeight, bool bFlip);

    // Closes what is open, then opens the path. False, and closed, when the file cannot
    // be read, has no video stream or no decoder for it, or the image cannot be made.
    bool Open(const std::string& path);

    // Positions the reader up to one second before t (seconds from the stream's start;
    // the composer decodes the rest of the way) and converts the picture reached. False
    // when there is no picture to convert; callers read the image descriptor.
    bool GetFrameAtTime(double dSeconds);
    // The positioning of GetFrameAtTime without the conversion, for a caller that walks on
    // and converts (or hands out) the picture it lands on. False without a picture.
    bool PositionAt(double dSeconds);
};

} // namespace qv
