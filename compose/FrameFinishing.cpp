#include "compose/FrameFinishing.h"

#include "compose/FrameImage.h"
#include "compose/ImageTransforms.h"
#include "compose/ItemTiming.h"
#include "project/MediaTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qv
{

namespace
{

enum EStrip
{
    kLeft = 1,
    kTop = 2,
    kRight = 4,
    kBottom = 8
};

int StripsOfType(int32_t nType)
{
    static const int kStrips[15] = {kLeft | kTop | kRight | kBottom, // 0
                                    kLeft,                           // 1
                                    kTop,                            // 2
                                    kRight,                          // 3
                                    kBottom,                         // 4
                                    kLeft | kTop,                    // 5
                                    kLeft | kRight,                  // 6
                                    kLeft | kBottom,                 // 7
                                    kTop | kRight,                   // 8
                                    kTop | kBottom,                  // 9
                                    kRight | kBottom,                // 10
                                    kTop | kRight | kBottom,         // 11
                                    kLeft | kRight | kBottom,        // 12
                                    kLeft | kTop | kBottom,          // 13
                                    kLeft | kTop | kRight};          // 14
    return nType >= 0 && nType < 15 ? kStrips[nType] : 0;
}

// Fills the upright rectangle [x0, x1) × [y0, y1) of a bottom-up frame.
void FillUpright(uint8_t* pFrame, int nWidth, int nHeight, int x0, int y0, int x1, int y1,
                 const uint8_t pixel[4])
{
    x0 = std::clamp(x0, 0, nWidth);
    x1 = std::clamp(x1, 0, nWidth);
    y0 = std::clamp(y0, 0, nHeight);
    y1 = std::clamp(y1, 0, nHeight);
    for (int y = y0; y < y1; ++y)
    {
        uint8_t* pRow = pFrame + int64_t(nHeight - 1 - y) * nWidth * 4;
        for (int x = x0; x < x1; ++x)
            std::memcpy(pRow + int64_t(x) * 4, pixel, 4);
    }
}

void FinishLayer(const tagQVCompositionContext& context, tagQVMediaData& item, uint8_t* pLayer)
{
    if (RotationEnabled(item))
        RotateFrame(pLayer, context.nOutputWidth, context.nOutputHeight, *item.pRotation);
    if (BorderEnabled(item))
        DrawBorder(pLayer, context.nOutputWidth, context.nOutputHeight, *item.pBorder);
}

} // namespace

bool RotationEnabled(const tagQVMediaData& item)
{
    return item.eMediaType == kMediaVideo && item.pRotation && item.pRotation->enablerotation != 0;
}

bool BorderEnabled(const tagQVMediaData& item)
{
    return item.pBorder && item.pBorder->BorderEnable != 0;
}

void DrawBorder(uint8_t* pFrame, int nWidth, int nHeight, const tagQVBorderData& border)
{
    if (border.BorderEnable == 0 || pFrame == nullptr || FrameBytes(nWidth, nHeight) == 0)
        return;
    const int nStrips = StripsOfType(border.BorderType);
    const int nSize = std::clamp(border.BorderSize, 0, std::max(nWidth, nHeight));
    if (nStrips == 0 || nSize == 0)
        return;
    const uint32_t nColor = static_cast<uint32_t>(border.BorderColor);
    const uint8_t pixel[4] = {uint8_t(nColor >> 16), uint8_t(nColor >> 8), uint8_t(nColor), 255};
    if (nStrips & kLeft)
        FillUpright(pFrame, nWidth, nHeight, 0, 0, nSize, nHeight, pixel);
    if (nStrips & kTop)
        FillUpright(pFrame, nWidth, nHeight, 0, 0, nWidth, nSize, pixel);
    if (nStrips & kRight)
        FillUpright(pFrame, nWidth, nHeight, nWidth - nSize, 0, nWidth, nHeight, pixel);
    if (nStrips & kBottom)
        FillUpright(pFrame, nWidth, nHeight, 0, nHeight - nSize, nWidth, nHeight, pixel);
}

void RotateFrame(uint8_t* pFrame, int nWidth, int nHeight, const tagQVRotationData& rotation)
{
    ERotateFlip eOperation = ERotateFlip::RotateNoneFlipNone;
    if (!RotateFlipFor(rotation.rotationflip, rotation.rotationreverse, rotation.rotationangle,
                       &eOperation))
        return;
    const QImage upright = FrameToImage(pFrame, nWidth, nHeight);
    if (upright.isNull())
        return;
    DrawImageToFrame(ApplyRotateFlip(upright, eOperation), pFrame, nWidth, nHeight);
}

int FinishItemFrame(const tagQVCompositionContext& context, tagQVMediaData& item, uint8_t* pLayer,
                    uint8_t* pSample, int64_t nSize)
{
    const int64_t nFrameBytes = FrameBytes(context.nOutputWidth, context.nOutputHeight);
    if (pLayer == nullptr || pSample == nullptr || nFrameBytes == 0 || nSize <= 0)
        return 0;
    FinishLayer(context, item, pLayer);
    std::memcpy(pSample, pLayer, static_cast<size_t>(std::min(nSize, nFrameBytes)));
    return 1;
}

double TransitionWeight(tagQVMediaData& itemA, tagQVMediaData& itemB, double dTime)
{
    const bool bBLater = itemB.dEditorStartTime >= itemA.dEditorStartTime;
    tagQVMediaData& earlier = bBLater ? itemA : itemB;
    tagQVMediaData& later = bBLater ? itemB : itemA;
    const double dEnd = earlier.dEditorEndTime + SnapshotHoldTotal(earlier);
    const double dSpan = dEnd - later.dEditorStartTime;
    if (!(dSpan > 0.0))
        return 1.0;
    const double dWeight = (dTime - later.dEditorStartTime) / dSpan;
    return std::isnan(dWeight) ? 1.0 : std::clamp(dWeight, 0.0, 1.0);
}

int FinishTwoItems(const tagQVCompositionContext& context, tagQVMediaData& itemA,
                   tagQVMediaData& itemB, uint8_t* pLayerA, uint8_t* pLayerB, uint8_t* pSample,
                   int64_t nSize)
{
    const int64_t nFrameBytes = FrameBytes(context.nOutputWidth, context.nOutputHeight);
    if (pLayerA == nullptr || pLayerB == nullptr || pSample == nullptr || nFrameBytes == 0 ||
        nSize <= 0)
        return 0;
    FinishLayer(context, itemA, pLayerA);
    FinishLayer(context, itemB, pLayerB);

    // Weight of the later item in 1/256 steps; the earlier item takes the rest.
    const double dLater = TransitionWeight(itemA, itemB, context.dCurrentTime);
    const bool bBLater = itemB.dEditorStartTime >= itemA.dEditorStartTime;
    const int nWeightB = static_cast<int>(std::lround((bBLater ? dLater : 1.0 - dLater) * 256.0));
    const int nWeightA = 256 - nWeightB;
    const int64_t nBytes = std::min(nSize, nFrameBytes);
    for (int64_t i = 0; i < nBytes; ++i)
        pSample[i] = static_cast<uint8_t>((pLayerA[i] * nWeightA + pLayerB[i] * nWeightB) >> 8);
    return 1;
}

} // namespace qv
