// Turns a direct picture (the decoded picture's region) into the encoder's input: the
// region itself, without a copy, when it is already in the encoder's pixel format and size
// and starts on whole chroma samples; otherwise one scaler pass at the output size, and for
// a source shown turned, one more pass that turns the scaled picture upright.
// Runs on the video encoding thread; keeps its scaler between frames.
#pragma once

#include "media/tagQVDirectPicture.h"

#include <cstdint>

namespace qv
{

class CQVDirectPictureConverter
{
public:
    CQVDirectPictureConverter();

    // pTarget is the encoder's writable frame (its format and size). On success *ppInput
    // is the frame to encode: pTarget, or a reference to the region whose frame type and
    // side data are cleared so that nothing of the decoder's steers the encoder. The
    // picture's reference is released either way. 0, or a negative AVERROR (EINVAL for a
    // region outside the picture).
    int32_t Convert(tagQVDirectPicture& picture, AVFrame* pTarget, AVFrame** ppInput);

    // Whether the last Convert passed the region on without converting it.
    bool PassedThrough() const { return m_bPassedThrough; }

private:
    QVFramePtr m_pRegion;
    QVFramePtr m_pStored; // a turned region scaled as stored, before it is turned
    QVScalerPtr m_pScaler;
    // What the scaler was made for.
    int m_nFormat = -1;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nChromaX = -1;
    int m_nChromaY = -1;
    bool m_bFullRange = false;
    int m_nTargetFormat = -1;
    int m_nTargetWidth = 0;
    int m_nTargetHeight = 0;
    bool m_bPassedThrough = false;
};

} // namespace qv
