// The moving mask of an item: a picture from the skin's mask set ("skin/mask/<index>.png"),
// prepared once per item at the frame's size, that crosses, grows, shrinks or fades over
// the item's picture while the item plays.
#pragma once

#include "compose/StretchDib.h"
#include "project/tagQVMediaData.h"

#include <QImage>

#include <cstdint>
#include <string>

namespace qv
{

// The program's mask pictures: program folder + "skin/mask/", with a trailing "/".
std::string DefaultMaskFolder();

// The mask picture drawn at the size it is used on a W × H frame, as 32-bit ARGB:
// "<maskFolder><MasknImageMaskIndex>.png" scaled to W × H (MaskbStretchToFill), or to the
// full width W keeping its aspect (movement types 1 and 3, which cross vertically), or to
// the full height H keeping its aspect (the other types). With MaskbFillWithColor the
// picture only gives the shape: the fill picture MaskszImageFill (scaled), or when that
// cannot be read the colour MaskclrFill at full opacity, with each pixel's alpha lowered
// to the mask's. A null image when the mask picture cannot be read or the size is empty
// or beyond what a frame can use.
QImage PrepareMask(const tagQVMaskData& mask, int nFrameWidth, int nFrameHeight,
                   const std::string& maskFolder);

// The movement's progress p in 0..1 at output time dTime for an item playing from dStart to
// dEnd. Without MaskbFillMovementTimeDur the movement runs once, MaskdMovementTimeDur
// seconds from the item's start; with it, it runs MasknMovementLoop + 1 times over the
// whole item. False when nothing is drawn at that time: outside dStart..dEnd, or after a
// single movement (or for a movement that lasts no time).
bool MaskProgress(const tagQVMaskData& mask, double dStart, double dEnd, double dTime,
                  double* pProgress);

// Where the prepared mask (nMaskWidth × nMaskHeight) is drawn on a W × H frame at progress
// p, in upright frame pixels, and with what opacity (1 − fade).
struct tagQVMaskPlacement
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t nWidth = 0;
    int32_t nHeight = 0;
    double dOpacity = 1.0;
};

// Types 0 and 1 cross from left to right and from top to bottom, accelerating; 2 and 3
// from right to left and from bottom to top, decelerating; 4 stays centred; 5 grows from
// nothing and 6 shrinks to nothing, centred. 4 to 6 fade in over the first half and out
// over the second. Types 0 to 4 are scaled by MaskdSizeScale. False for an unknown type.
bool PlaceMask(const tagQVMaskData& mask, int nFrameWidth, int nFrameHeight, int nMaskWidth,
               int nMaskHeight, double dProgress, tagQVMaskPlacement* pPlacement);

// Draws the item's moving mask at output time dTime onto a composed frame (BGRA; bottom row
// first when header.biHeight is positive, as the mixer's frames are; top row first when it
// is negative). Only for items with a mask record, and on the main line only for video
// items; the item plays from dEditorStartTime to dEditorEndTime + its snapshot holds. The
// prepared mask is kept in the item until its line slot moves on. Returns 1 when the mask
// was drawn, 0 when nothing was (no record, not playing, no mask picture, bad arguments).
int DrawMovingMask(const tagQVDibHeader& header, tagQVMediaData& item, uint8_t* pPixels,
                   double dTime);
int DrawMovingMask(const tagQVDibHeader& header, tagQVMediaData& item, uint8_t* pPixels,
                   double dTime, const std::string& maskFolder);

// The same for a picture item's own image (ARGB32, upright), before it goes into the frame:
// the image is the frame the mask moves over, and the item's end is not extended by holds.
int DrawMovingMaskOnImage(tagQVMediaData& item, QImage* pImage, double dTime,
                          const std::string& maskFolder);

} // namespace qv
