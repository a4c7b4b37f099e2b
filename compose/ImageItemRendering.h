// Picture items (eMediaType 2): the file drawn once into the frame, fitted or stretched,
// turned by the rotation record, with the moving mask and colour adjustment of the effects
// layer, and kept as the item's cache.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "project/tagQVMediaData.h"

#include <cstdint>

namespace qv
{

// See RenderItemFrame. The frame is cleared before the picture goes in, so that a fitted
// picture has black bars rather than what the frame held before. A picture file with an
// alpha channel (32-bit ARGB) marks the item transparent and is also written, upright and
// with its mask, as tmp folder + "frameimage/<identity>_tmp.png".
int RenderImageItemFrame(tagQVCompositionContext& context, double dTime, tagQVMediaData& item,
                         uint8_t* pFrame, int nWidth, int nHeight);

} // namespace qv
