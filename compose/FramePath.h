// Which way a frame of the project is made. Most frames of a cropping job need nothing but
// the crop and the output size: those go to the encoder as the source's own pixels, so its
// grain and colours reach the encoder untouched and no conversion through BGRA is paid.
// Everything else is composed in BGRA, frame by frame. This is the one place that chooses.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "project/ProjectTimeline.h"
#include "project/tagQVMediaData.h"

namespace qv
{

enum class EQVFramePath
{
    kComposed, // the layers in BGRA: effects, masks, borders, rotations, holds, two items
    kDirect    // the decoded picture's region, handed to the encoder
};

// The path of the frame whose main-line item is pMain and second-line item pSecond (either
// may be null). Direct only when the consumer takes direct pictures (bDirectWanted: the
// conversion, not the preview) and the frame is one main-line video item with no second
// item, no colour adjustment, mask, rotation, border or hold, and whose decoder opens and
// gives pictures the scaler reads. A display turn is no reason to compose: the encoder's
// side turns the region. Opens the item's decoder to tell.
EQVFramePath ChooseFramePath(const tagQVCompositionContext& context, tagQVMediaData* pMain,
                             const tagQVMediaData* pSecond, bool bDirectWanted);

// Whether every picture of the project can go direct as far as the project tells: its
// main line holds only video items, none of which draws into its frame, and no item plays
// beside them. Frames between items are black whichever way they are made.
bool ProjectPicturesGoDirect(const ProjectTimeline& timeline);

} // namespace qv
