// Rewinding holds: the frames shown just before a snapshot point are kept as JPEG files
// under tmp/rwv/, and during the point's hold they play backwards and forwards again,
// one file per output frame.
#pragma once

#include "compose/tagQVCompositionContext.h"
#include "project/tagQVMediaData.h"

#include <cstdint>
#include <string>

namespace qv
{

// The folder of a point's frames: tmp folder + "rwv/" + the point's identity + "/". The
// identity is the item's identity and the point's index in its list ("7_0"). Empty when
// the context has no tmp folder or the point is not one of the item's.
std::string RewindFolder(const tagQVCompositionContext& context, const tagQVMediaData& item,
                         const tagQVVideoSnapshotData& point);

// The saved frame to show next during the point's hold, and one more replayed frame
// counted; -1 (nothing counted) when no frame was saved or the hold has no length. The
// hold is split into nRewindLoop + 1 cycles that each run back from the last saved frame
// to the first over dBackDurationPercent of the cycle, then forward again.
int64_t NextRewindIndex(tagQVVideoSnapshotData& point, double dOutputFrameRate);

// Saves the frame (BGRA, bottom row first) as the next JPEG of the first rewinding point
// ahead of the source time, when the source time lies within dRewindMediaDuration before
// it (whole milliseconds).
void SaveRewindFrame(const tagQVCompositionContext& context, tagQVMediaData& item,
                     const uint8_t* pFrame, int nWidth, int nHeight, double dSourceTime);

// Draws the saved frame that the hold shows now over the whole frame. 1 when it drew; 0
// when there is nothing to show (no saved frames, the file is missing or unreadable).
int ReplayRewindFrame(const tagQVCompositionContext& context, const tagQVMediaData& item,
                      tagQVVideoSnapshotData& point, uint8_t* pFrame, int nWidth, int nHeight);

} // namespace qv
