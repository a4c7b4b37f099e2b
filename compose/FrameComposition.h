// One picture of the project per output time: the item's decoder kept positioned and
// walked forward, its picture cropped and stretched into the frame buffer, and the line
// slots that free an item's decoder and pictures once its line moves on.
//
// Frames are BGRA, W × H, stride W × 4, bottom row first. Everything here runs on the
// video streaming thread, one frame at a time, and is not re-entrant.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "media/tagQVDirectPicture.h"
#include "project/ProjectTimeline.h"
#include "project/tagQVMediaData.h"

#include <cstdint>

namespace qv
{

// The rectangle of a source picture that makes the output picture: source pixels of the
// picture as it is shown (nVideoWidth × nVideoHeight), top row first.
struct tagQVSourceRect
{
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
    // True when the rectangle is the whole picture: no crop, a crop of the whole picture,
    // or a crop with nothing inside the picture.
    bool bWholePicture = true;
    // False: the rectangle has the output's size and its pixels are the output's. True: the
    // rectangle is scaled once to the output size with the bicubic scaler.
    bool bScaled = false;
};

// The one rule of every output picture of a video item, on both frame paths.
// R is the item's crop clipped to the picture, or the whole picture when no crop is enabled.
// When W × H is R's size cut down to multiples of 4 (CutToMultipleOfFour, as the front-end
// sets the output size), the output is R cut: x and y kept, the last 1-3 columns and rows
// dropped, every pixel the source's. Any other size (a preset, a project made elsewhere)
// scales R once to W × H.
tagQVSourceRect OutputSourceRect(const tagQVMediaData& item, int nOutputWidth, int nOutputHeight);

// OutputSourceRect in the memory rows of the item's BGRA picture: main-line pictures are
// decoded bottom row first, so their rectangle counts rows upwards from the bottom.
tagQVSourceRect ComputeSourceRect(const tagQVMediaData& item, int nOutputWidth, int nOutputHeight);

// OutputSourceRect in the item's stored picture (nPictureWidth × nPictureHeight, top row
// first), which is the picture as shown turned back; a stored picture of another size than
// the item's (a probe that read another size) has the rectangle scaled to it.
tagQVSourceRect ComputeDirectRegion(const tagQVMediaData& item, int nPictureWidth,
                                    int nPictureHeight, const tagQVDisplayTurn& turn,
                                    int nOutputWidth, int nOutputHeight);

// Makes sure a video item (eMediaType 0) has an open decoder whose BGRA picture is the
// source's own size (nVideoWidth × nVideoHeight), flipped for main-line items, positioned
// at the source time of the context's current time. 1 when the item has a usable decoder,
// 0 otherwise (a failed decoder is not kept, so the next call tries again).
int OpenItemDecoder(const tagQVCompositionContext& context, tagQVMediaData& item);

// Draws the item's picture for output time dTime into the frame (W × H).
// Video items: the decoder is walked forward to the source time (never back), the picture
// converted at its own size, then its OutputSourceRect copied or scaled over the frame; inside a
// rewinding hold the saved frames play instead, and outside holds the frame is kept for a coming
// rewind. Picture items (eMediaType 2): drawn once and cached; returns 1 without drawing while the
// cache holds (the frame keeps what it had), unless the item has a moving mask.
// Returns 1 when the frame holds the item's picture, 0 when nothing could be drawn (the
// frame then keeps what it held): no decoder, no picture, an unreadable picture file,
// another kind of item, or bad arguments.
int RenderItemFrame(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                    uint8_t* pFrame, int nWidth, int nHeight);

// Walks a video item's decoder to output time dTime exactly as RenderItemFrame does, then
// hands out the decoded picture and its region (ComputeDirectRegion) instead of drawing
// it. 1 when *pDirect holds the picture; 0 (holding nothing) without a decoder, a picture
// or a format the scaler reads, or inside a hold, which is drawn by RenderItemFrame.
int RenderItemDirect(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                     tagQVDirectPicture* pDirect);

// Makes pItem (may be null) the current item of slot 0 (main line) or 1 (second line).
// The item it replaces loses its decoder, and a main-line one also its picture caches and
// prepared mask; at most one decoder per slot stays open.
void ReleaseLineItem(tagQVCompositionContext& context, tagQVMediaData* pItem, int nSlot);

} // namespace qv
