// The last steps of a composed frame: rotation and border on the item's layer, then the
// layer (or two layers combined) into the sample buffer.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "project/tagQVMediaData.h"

#include <cstdint>

namespace qv
{

// Whether the item's rotation record turns its video frames, and whether its border record
// draws: what finishing does to a layer, and so what keeps a frame off the direct path.
bool RotationEnabled(const tagQVMediaData& item);
bool BorderEnabled(const tagQVMediaData& item);

// Paints the border strips inside the frame (BGRA, bottom row first; strips are placed as
// seen upright): type 0 all four, 1 left, 2 top, 3 right, 4 bottom, 5 left+top, 6
// left+right, 7 left+bottom, 8 top+right, 9 top+bottom, 10 right+bottom, 11 top+right+bottom,
// 12 left+right+bottom, 13 left+top+bottom, 14 left+top+right; any other type none. The
// colour is a 0x00BBGGRR value at full opacity; strips wider than the frame are cut to it.
// Nothing happens when BorderEnable is 0.
void DrawBorder(uint8_t* pFrame, int nWidth, int nHeight, const tagQVBorderData& border);

// Turns and mirrors the frame by the rotation record (see RotateFlipFor); a quarter turn of
// a frame that is not square is stretched back to W × H. Angles other than 0, 90, 180 and
// 270 leave the frame untouched.
void RotateFrame(uint8_t* pFrame, int nWidth, int nHeight, const tagQVRotationData& rotation);

// The finishing of one item: rotation (video items with an enabled record), border (with
// an enabled record), then the layer into the sample buffer (at most nSize bytes; the
// rest of the sample is left as it was). The layer is W × H of the context. Items whose
// records ask for end-of-item effects, shapes, transparency or 3D get the same plain copy:
// those records are only carried through the file. Returns 1 when it copied, 0 for missing
// buffers or sizes.
int FinishItemFrame(const tagQVCompositionContext& context, tagQVMediaData& item, uint8_t* pLayer,
                    uint8_t* pSample, int64_t nSize);

// The finishing of two items that play at once (an item and the one it hands over to):
// each layer gets its item's rotation and border, then the two are dissolved into the
// sample: the item that started later is weighted by how far the context's current time
// has come through the overlap of the two (from 0 at its start to 1 at the end of the
// earlier item, holds included). Returns 1 when it wrote the sample, 0 otherwise.
int FinishTwoItems(const tagQVCompositionContext& context, tagQVMediaData& itemA,
                   tagQVMediaData& itemB, uint8_t* pLayerA, uint8_t* pLayerB, uint8_t* pSample,
                   int64_t nSize);

// The weight (0..1) of the later item of two overlapping items at output time dTime.
double TransitionWeight(tagQVMediaData& itemA, tagQVMediaData& itemB, double dTime);

} // namespace qv
