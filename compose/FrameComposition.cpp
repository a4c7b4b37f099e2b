#include "compose/FrameComposition.h"

#include "compose/FrameImage.h"
#include "compose/ImageItemRendering.h"
#include "compose/ItemTiming.h"
#include "compose/RewindFrames.h"
#include "compose/StretchDib.h"
#include "media/CQVItemRuntime.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"
#include "project/OutputSize.h"

#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

// Frame counts are products of doubles: 30 × (23 ÷ 30) may come out as 22.999…, which
// must not move a frame.
constexpr double kRoundingTolerance = 1e-6;

// The frame index of a time, truncated.
int64_t FrameIndexAt(double dFrameRate, double dSeconds)
{
    return QVTruncToInt64(dFrameRate * dSeconds + kRoundingTolerance);
}

// The index of the first frame at or after a time, as the timestamp walk finds it.
int64_t FirstFrameAtOrAfter(double dFrameRate, double dSeconds)
{
    return QVTruncToInt64(std::ceil(dFrameRate * dSeconds - kRoundingTolerance));
}

// Walks the decoder forward to the first picture at or after the source time. It never
// goes back: a target behind the current picture keeps the current picture.
void WalkDecoder(CQVFFMpegCapture& decoder, double dSourceTime)
{
    // A picture stamped 0 (the first of most files) has a timestamp as much as any other:
    // only a stream without timestamps (raw elementary streams) is walked by counting.
    if (decoder.PictureTimestamp() != AV_NOPTS_VALUE)
    {
        // Seconds from the stream's start, the clock of source times everywhere else
        // (positioning, sound): a stream whose clock starts late (MPEG program streams
        // start near half a second) would otherwise show its pictures that much too late.
        const double dUntil = dSourceTime - decoder.TimestampTolerance();
        while (decoder.PtsToSeconds(decoder.PictureTimestamp()) < dUntil)
        {
            if (!decoder.ReadNextFrame())
                break;
            decoder.SetTimelineFrameIndex(decoder.TimelineFrameIndex() + 1);
        }
        return;
    }
    // The timeline frame index is the current picture's (-1 before the first). A stream
    // that declares no length is read until it ends.
    const int64_t nTarget = FirstFrameAtOrAfter(decoder.GetFrameRate(), dSourceTime);
    const int64_t nFrameCount = decoder.GetFrameCount();
    if (nFrameCount > 0 && nTarget >= nFrameCount)
        return;
    const int64_t nDelta = nTarget - decoder.TimelineFrameIndex();
    decoder.SetTimelineFrameIndex(nTarget);
    for (int64_t i = 0; i < nDelta; ++i)
    {
        if (!decoder.ReadNextFrame())
            break;
    }
}

// Scales the picture's rectangle (BGRA, memory rows) once over the whole frame with the
// bicubic scaler, which the item keeps while the sizes stay the same.
bool ScaleRectIntoFrame(CQVItemRuntime& runtime, const uint8_t* pPicture, int nStride,
                        const tagQVSourceRect& rect, uint8_t* pFrame, int nWidth, int nHeight)
{
    runtime.pRegionScaler.reset(sws_getCachedContext(
        runtime.pRegionScaler.release(), rect.nWidth, rect.nHeight, AV_PIX_FMT_BGRA, nWidth,
        nHeight, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!runtime.pRegionScaler)
        return false;
    const uint8_t* const source[4] = {
        pPicture + ptrdiff_t(rect.y) * nStride + ptrdiff_t(rect.x) * 4, nullptr, nullptr, nullptr};
    const int sourceStride[4] = {nStride, 0, 0, 0};
    uint8_t* const target[4] = {pFrame, nullptr, nullptr, nullptr};
    const int targetStride[4] = {nWidth * 4, 0, 0, 0};
    sws_scale(runtime.pRegionScaler.get(), source, sourceStride, 0, rect.nHeight, target,
              targetStride);
    return true;
}

int RenderVideoItemFrame(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                         uint8_t* pFrame, int nWidth, int nHeight)
{
    if (!OpenItemDecoder(context, item))
        return 0;
    CQVItemRuntime& runtime = ItemRuntime(item);
    CQVFFMpegCapture& decoder = *runtime.pDecoder;

    const tagQVSourceTime source = ComputeSourceTime(item, dTime);
    if (source.pHold == nullptr)
        WalkDecoder(decoder, source.dSourceTime);

    uint8_t* pPicture = nullptr;
    int nStride = 0;
    int nPictureWidth = 0;
    int nPictureHeight = 0;
    if (!decoder.ConvertFrame(&pPicture, &nStride, &nPictureWidth, &nPictureHeight, nullptr) ||
        pPicture == nullptr)
        return 0;
    if (nStride % 4 != 0 || nStride / 4 < nPictureWidth || nPictureWidth != item.nVideoWidth ||
        nPictureHeight != item.nVideoHeight)
        return 0;
    // The stretcher knows rows by their width: the picture's rows are as wide as its stride.
    const tagQVDibHeader picture{nStride / 4, nPictureHeight, 32};

    if (source.pHold != nullptr && source.pHold->bRewind != 0 &&
        ReplayRewindFrame(context, item, *source.pHold, pFrame, nWidth, nHeight))
        return 1;

    const tagQVSourceRect rect = ComputeSourceRect(item, nWidth, nHeight);
    if (rect.bScaled)
    {
        if (!ScaleRectIntoFrame(runtime, pPicture, nStride, rect, pFrame, nWidth, nHeight))
            return 0;
    }
    else
    {
        // The output's own pixels: a copy of the rectangle's rows.
        StretchDib(tagQVDibHeader{nWidth, nHeight, 32}, pFrame, 0, 0, nWidth, nHeight, picture,
                   pPicture, rect.x, rect.y, rect.nWidth, rect.nHeight);
    }
    if (source.pHold != nullptr)
        return 1;
    SaveRewindFrame(context, item, pFrame, nWidth, nHeight, source.dSourceTime);
    return 1;
}

} // namespace

tagQVSourceRect OutputSourceRect(const tagQVMediaData& item, int nOutputWidth, int nOutputHeight)
{
    tagQVSourceRect rect;
    rect.nWidth = std::max(item.nVideoWidth, 0);
    rect.nHeight = std::max(item.nVideoHeight, 0);
    const tagQVCropData* pCrop = item.pCrop.get();
    if (pCrop != nullptr && pCrop->enablecrop != 0 && item.nVideoWidth > 0 && item.nVideoHeight > 0)
    {
        // Never outside the picture: the crop is clipped to it (64-bit sums, as the values
        // come from a file).
        const int64_t x0 = std::max<int64_t>(pCrop->xcrop, 0);
        const int64_t y0 = std::max<int64_t>(pCrop->ycrop, 0);
        const int64_t x1 =
            std::min<int64_t>(int64_t(pCrop->xcrop) + pCrop->wcrop, item.nVideoWidth);
        const int64_t y1 =
            std::min<int64_t>(int64_t(pCrop->ycrop) + pCrop->hcrop, item.nVideoHeight);
        if (x1 > x0 && y1 > y0 && (x1 - x0 != item.nVideoWidth || y1 - y0 != item.nVideoHeight))
        {
            rect.x = static_cast<int>(x0);
            rect.y = static_cast<int>(y0);
            rect.nWidth = static_cast<int>(x1 - x0);
            rect.nHeight = static_cast<int>(y1 - y0);
            rect.bWholePicture = false;
        }
    }
    const bool bCut = nOutputWidth == CutToMultipleOfFour(rect.nWidth) &&
                      nOutputHeight == CutToMultipleOfFour(rect.nHeight) &&
                      nOutputWidth <= rect.nWidth && nOutputHeight <= rect.nHeight;
    if (bCut)
    {
        rect.nWidth = nOutputWidth;
        rect.nHeight = nOutputHeight;
    }
    rect.bScaled = !bCut;
    return rect;
}

tagQVSourceRect ComputeSourceRect(const tagQVMediaData& item, int nOutputWidth, int nOutputHeight)
{
    tagQVSourceRect rect = OutputSourceRect(item, nOutputWidth, nOutputHeight);
    if (item.eMediaTypeLine == kLineMainVideo)
        rect.y = item.nVideoHeight - rect.y - rect.nHeight;
    return rect;
}

tagQVSourceRect ComputeDirectRegion(const tagQVMediaData& item, int nPictureWidth,
                                    int nPictureHeight, const tagQVDisplayTurn& turn,
                                    int nOutputWidth, int nOutputHeight)
{
    tagQVSourceRect region;
    region.nWidth = nPictureWidth;
    region.nHeight = nPictureHeight;
    region.bScaled = nPictureWidth != nOutputWidth || nPictureHeight != nOutputHeight;
    if (item.nVideoWidth <= 0 || item.nVideoHeight <= 0 || nPictureWidth <= 0 ||
        nPictureHeight <= 0)
        return region;
    const tagQVSourceRect rect = OutputSourceRect(item, nOutputWidth, nOutputHeight);
    // The crop is in displayed pixels, as the composed path turns the picture upright first.
    int nShownWidth = 0, nShownHeight = 0;
    QVDisplayedSize(turn, nPictureWidth, nPictureHeight, &nShownWidth, &nShownHeight);
    int64_t x = rect.x, y = rect.y, w = rect.nWidth, h = rect.nHeight;
    if (nShownWidth != item.nVideoWidth || nShownHeight != item.nVideoHeight)
    {
        const double dScaleX = static_cast<double>(nShownWidth) / item.nVideoWidth;
        const double dScaleY = static_cast<double>(nShownHeight) / item.nVideoHeight;
        x = std::clamp<int64_t>(QVTruncToInt64(rect.x * dScaleX), 0, nShownWidth - 1);
        y = std::clamp<int64_t>(QVTruncToInt64(rect.y * dScaleY), 0, nShownHeight - 1);
        w = std::clamp<int64_t>(QVTruncToInt64(rect.nWidth * dScaleX), 1, nShownWidth - x);
        h = std::clamp<int64_t>(QVTruncToInt64(rect.nHeight * dScaleY), 1, nShownHeight - y);
    }
    // Back to stored pixels: shown columns are stored rows when transposed, and a flipped
    // axis counts from the far edge.
    region.x = static_cast<int>(turn.bTranspose ? y : x);
    region.y = static_cast<int>(turn.bTranspose ? x : y);
    region.nWidth = static_cast<int>(turn.bTranspose ? h : w);
    region.nHeight = static_cast<int>(turn.bTranspose ? w : h);
    if (turn.bFlipX)
        region.x = nPictureWidth - region.x - region.nWidth;
    if (turn.bFlipY)
        region.y = nPictureHeight - region.y - region.nHeight;
    region.bWholePicture = rect.bWholePicture;
    region.bScaled = rect.bScaled;
    return region;
}

int OpenItemDecoder(const tagQVCompositionContext& context, tagQVMediaData& item)
{
    if (item.eMediaType != kMediaVideo)
        return 0;
    CQVItemRuntime& runtime = ItemRuntime(item);
    if (runtime.pDecoder)
        return 1;
    if (item.nVideoWidth <= 0 || item.nVideoHeight <= 0)
        return 0;
    auto decoder = std::make_unique<CQVFFMpegCapture>(
        item.source, item.nVideoWidth, item.nVideoHeight, item.eMediaTypeLine == kLineMainVideo);
    if (decoder->Failed())
        return 0;
    const double dSource = MapToSourceTime(item, context.dCurrentTime);
    decoder->SetTimelineFrameIndex(FrameIndexAt(decoder->GetFrameRate(), dSource));
    // Positioned only: the frame's path converts (or hands out) the picture it walks to.
    decoder->PositionAt(dSource);
    // Counting frames starts from the picture the positioning reached (the first picture,
    // or where a seek landed), not from the one asked for; -1 when none was decoded.
    if (decoder->PictureTimestamp() == AV_NOPTS_VALUE)
        decoder->SetTimelineFrameIndex(
            decoder->HasPicture() ? std::max<int64_t>(decoder->FramesDecoded() - 1, 0) : -1);
    runtime.pDecoder = std::move(decoder);
    return 1;
}

int RenderItemFrame(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                    uint8_t* pFrame, int nWidth, int nHeight)
{
    if (pFrame == nullptr || FrameBytes(nWidth, nHeight) == 0)
        return 0;
    if (item.eMediaType == kMediaVideo)
        return RenderVideoItemFrame(context, dTime, item, pFrame, nWidth, nHeight);
    if (item.eMediaType == kMediaPicture)
        return RenderImageItemFrame(context, dTime, item, pFrame, nWidth, nHeight);
    return 0;
}

int RenderItemDirect(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                     tagQVDirectPicture* pDirect)
{
    if (pDirect == nullptr || !pDirect->pFrame)
        return 0;
    pDirect->Clear();
    if (!OpenItemDecoder(context, item))
        return 0;
    CQVFFMpegCapture& decoder = *ItemRuntime(item).pDecoder;
    const tagQVSourceTime source = ComputeSourceTime(item, dTime);
    if (source.pHold != nullptr)
        return 0;
    WalkDecoder(decoder, source.dSourceTime);

    // ChooseFramePath took the stream's format; a picture that came out otherwise fails here.
    const AVFrame* pPicture = decoder.DecodedPicture();
    if (pPicture == nullptr || pPicture->width <= 0 || pPicture->height <= 0 ||
        !sws_isSupportedInput(static_cast<AVPixelFormat>(pPicture->format)) ||
        av_frame_ref(pDirect->pFrame.get(), pPicture) < 0)
        return 0;
    pDirect->turn = decoder.DisplayTurn();
    pDirect->color = decoder.PictureColor();
    const tagQVSourceRect region =
        ComputeDirectRegion(item, pPicture->width, pPicture->height, pDirect->turn,
                            context.nOutputWidth, context.nOutputHeight);
    pDirect->x = region.x;
    pDirect->y = region.y;
    pDirect->nWidth = region.nWidth;
    pDirect->nHeight = region.nHeight;
    return 1;
}

void ReleaseLineItem(tagQVCompositionContext& context, tagQVMediaData* pItem, int nSlot)
{
    if (nSlot < 0 || nSlot > 1)
        return;
    tagQVMediaData* pPrevious = context.pSlotItems[nSlot];
    if (pPrevious != nullptr && pPrevious != pItem)
    {
        if (CQVItemRuntime* pRuntime = FindItemRuntime(*pPrevious))
        {
            pRuntime->pDecoder.reset();
            if (pPrevious->eMediaTypeLine == kLineMainVideo)
            {
                pRuntime->imageCache = QImage();
                pRuntime->secondImageCache = QImage();
                pRuntime->maskImage = QImage();
                // The second cache is rebuilt when the item's animation frame is next chosen.
                pRuntime->nCurrentFrame = -1;
            }
        }
    }
    context.pSlotItems[nSlot] = pItem;
}

} // namespace qv
