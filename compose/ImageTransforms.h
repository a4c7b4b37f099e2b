// Whole-picture operations on images: placing a picture inside the frame, turning and
// mirroring it, and keying out a colour range.
#pragma once

#include "project/tagQVMediaData.h"

#include <QImage>

#include <cstdint>

namespace qv
{

// left, top, right, bottom in pixels.
struct tagQVRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Fits an image of iw × ih inside a frame of fw × fh keeping its aspect: full width and
// centred vertically when the frame is relatively taller, otherwise full height and centred
// horizontally. Equal aspects, or a size that is not positive, leave *pRect as given.
void FitRect(tagQVRect* pRect, int nImageWidth, int nImageHeight, int nFrameWidth,
             int nFrameHeight);

// The rotate-flip operations of a picture: turn clockwise by 0, 90, 180 or 270 degrees,
// then optionally mirror left-right.
enum class ERotateFlip
{
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7
};

// The operation that mirrors top-bottom (bFlip) and left-right (bReverse) first and then
// turns clockwise by the angle. False when nothing is to be done: an angle other than 0,
// 90, 180 or 270 (mirrors included), or no mirror at angle 0.
bool RotateFlipFor(int32_t bFlip, int32_t bReverse, int32_t nAngle, ERotateFlip* pOperation);

// Applies an operation to an image.
QImage ApplyRotateFlip(const QImage& image, ERotateFlip eOperation);

// Mirrors and turns the image in place as RotateFlipFor describes; other angles leave it
// untouched.
void RotateFlipImage(QImage* pImage, int32_t bFlip, int32_t bReverse, int32_t nAngle);

// Replaces the image by a 32-bit ARGB copy in which every pixel whose red, green and blue
// lie within the key's bounds is fully transparent.
void ApplyVideoKey(QImage* pImage, const tagQVVideoKeyData& key);

} // namespace qv
