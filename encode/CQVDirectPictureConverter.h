// Turns a direct picture (the decoded picture's region) into the encoder's input: the
// region itself, without a copy, when it is already in the encoder's pixel format, size and
// range and starts on whole chroma samples; otherwise one scaler pass at the output size,
// or, for an HDR picture or another matrix than the output's, one pass of the colour graph
// (CQVColorGraph); and for a source shown turned, one more pass that turns it upright.
// Runs on the video encoding thread; keeps its scaler between frames.
#pragma once

#include "media/tagQVDirectPicture.h"
#include "probe/CQVColorGraph.h"

#include <cstdint>

namespace qv
{

class CQVDirectPictureConverter
{
public:
    CQVDirectPictureConverter();

    // The colours the encoder's pictures are written in (limited range); BT.601 until set.
    void SetOutputColor(const tagQVColorDescription& color) { m_outputColor = color; }

    // pTarget is the encoder's writable frame (its format and size). On success *ppInput
    // is the frame to encode: pTarget, or a reference to the region whose frame type and
    // side data are cleared so that nothing of the decoder's steers the encoder. The
    // picture's reference is released either way. 0, or a negative AVERROR (EINVAL for a
    // region outside the picture).
    int32_t Convert(tagQVDirectPicture& picture, AVFrame* pTarget, AVFrame** ppInput);

    // Whether the last Convert passed the region on without converting it.
    bool PassedThrough() const { return m_bPassedThrough; }

private:
    // Through the colour graph into pTarget's format at its size (turned, a stored picture
    // first). 0 or a negative AVERROR.
    int32_t ConvertColors(tagQVDirectPicture& picture, AVFrame* pTarget, AVFrame** ppInput);
    // The stored picture a turned region is scaled to before it is turned: pTarget's format
    // at its size turned back. Null when it cannot be made.
    AVFrame* StoredFrame(const tagQVDisplayTurn& turn, const AVFrame& target);

    tagQVColorDescription m_outputColor = QVUntaggedDescription(0, 0);
    CQVColorGraph m_colorGraph;
    QVFramePtr m_pGraphOutput;
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
