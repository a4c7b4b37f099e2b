// How the pictures of a video stream are shown. Phones store a portrait video as a
// landscape picture with a display matrix; every player turns it upright, and so do we,
// as far as the matrix is a plain quarter turn and/or mirror of the stored picture.
#pragma once

#include <cstdint>

extern "C"
{
#include <libavformat/avformat.h>
}

namespace qv
{

struct tagQVDisplayTurn
{
    // For a displayed pixel (x, y) the stored pixel is (y, x) when bTranspose, else (x, y),
    // its x counted from the right when bFlipX and its y from the bottom when bFlipY.
    bool bTranspose = false;
    bool bFlipX = false;
    bool bFlipY = false;
    // The matrix asks for more than a quarter turn and mirror (another angle, a scale, a
    // shear, a perspective): the pictures are shown as stored.
    bool bUnsupported = false;
    // The clockwise turn the matrix asks for in degrees (-180..180), 0 without a matrix.
    double dRequestedDegrees = 0.0;

    bool IsIdentity() const { return !bTranspose && !bFlipX && !bFlipY; }
};

// The turn of a display matrix (FFmpeg's nine 32-bit values); null is no matrix.
tagQVDisplayTurn QVDisplayTurnOfMatrix(const int32_t* pMatrix);

// The turn of the stream's display matrix side data; none for a null stream.
tagQVDisplayTurn QVDisplayTurnOfStream(const AVStream* pStream);

// The displayed size of a stored picture.
inline void QVDisplayedSize(const tagQVDisplayTurn& turn, int nStoredWidth, int nStoredHeight,
                            int* pnWidth, int* pnHeight)
{
    *pnWidth = turn.bTranspose ? nStoredHeight : nStoredWidth;
    *pnHeight = turn.bTranspose ? nStoredWidth : nStoredHeight;
}

} // namespace qv
