// A frame that goes to the encoder as the source's own pixels: a reference to the decoded
// picture and the region of it that becomes the output picture. The encoder converts the
// region once to its own format and size, or takes it as it is when they already match.
#pragma once

#include "probe/ColorDescription.h"
#include "probe/DisplayTurn.h"
#include "probe/FFmpegCommon.h"

namespace qv
{

struct tagQVDirectPicture
{
    // Allocated once by the owner and reused; holds a reference only while the frame is
    // on its way to the encoder.
    QVFramePtr pFrame;
    // Source pixels of the stored picture, top row first.
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
    // How the region is shown: the encoder's picture is the region turned upright.
    tagQVDisplayTurn turn;
    // The picture's colours, completed (the capture's PictureColor).
    tagQVColorDescription color;

    bool Holds() const { return pFrame && pFrame->buf[0] != nullptr; }
    void Clear()
    {
        if (pFrame)
            av_frame_unref(pFrame.get());
    }
};

} // namespace qv
