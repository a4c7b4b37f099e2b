// Animated pictures: every frame of the file is written as a PNG of its own, and for each
// output time the item is pointed at the frame that shows then.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "project/tagQVMediaData.h"

namespace qv
{

// A frame whose file gives no delay at all (every delay 0) shows this long, so that the
// frames still take turns and the search for a frame always ends.
constexpr double kQVMinimumAnimationFrameSeconds = 0.1;

// More frames than this are not taken from one file.
constexpr int kQVMaximumAnimationFrames = 10000;

// For a picture item (eMediaType 2) whose file holds two or more frames: writes each frame
// as tmp folder + "gif<identity>/<n>.png" (n from 0) and records its duration (the file's
// delay, in seconds). Done once per item; a file of one frame, or one that cannot be read,
// leaves the item without a frame list. True when the item has a frame list afterwards.
bool PrepareAnimationFrames(const tagQVCompositionContext& context, tagQVMediaData& item);

// Run before RenderItemFrame for every item found. For items with a frame list (prepared
// here on first use), picks the frame that shows at output time dTime, counted from the
// item's start, the durations repeating; when it changes, the item's source becomes the
// frame's file, its picture caches are dropped (so that the frame is drawn), and for items
// of line 0 or 15 without 3D the frame is kept as the second picture cache at the output
// size.
void SelectAnimationFrame(const tagQVCompositionContext& context, double dTime,
                          tagQVMediaData& item);

// The index of the frame that shows e seconds into the animation: the first frame whose
// interval (both ends included) holds e, the frames repeating in order. -1 without frames.
int AnimationFrameAt(const tagQVMediaData& item, double dElapsed);

} // namespace qv
