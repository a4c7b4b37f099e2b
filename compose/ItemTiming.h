// Where an item plays: which item of a line covers an output time, how long its snapshot
// points hold the picture, and which source second it shows at an output time.
#pragma once

#include "project/ProjectTimeline.h"

#include <cstdint>

namespace qv
{

// Whole milliseconds of a time in seconds, truncated toward zero. Times are compared this
// way wherever snapshot points are involved, so that rounding never moves a hold.
int64_t QVMilliseconds(double dSeconds);

// The item's speed, never below the project's minimum of 0.01 (a broken value never
// divides by zero).
double ItemPlaybackRate(const tagQVMediaData& item);

// Output seconds the item's snapshot points add to its length: the holds of the points
// whose capture time lies inside the used part of the source. Computed on the first call
// and kept in the item; 0 without points.
double SnapshotHoldTotal(tagQVMediaData& item);

// True when dEditorStartTime ≤ t ≤ dEditorEndTime + SnapshotHoldTotal.
bool ItemCoversTime(tagQVMediaData& item, double dTime);

// The item of the line that covers the output time, or null: a binary search over items
// in timeline order, looking at both ends of the range and its middle each round.
tagQVMediaData* FindItemAt(TimelineLine& line, double dTime);

// The source picture for an output time.
struct tagQVSourceTime
{
    double dSourceTime = 0.0;
    // The snapshot point whose hold covers the time; null outside every hold.
    tagQVVideoSnapshotData* pHold = nullptr;
};

// The mapping used for every frame: times are compared in whole milliseconds. Inside a
// hold the point is returned and the caller leaves the decoder on the hold's picture (the
// source time then counts the current hold as played and is not meant to be shown).
tagQVSourceTime ComputeSourceTime(tagQVMediaData& item, double dTime);

// The same mapping for positioning a newly opened decoder: plain comparisons, the capture
// time of a hold that covers the time, and 0 for a time before the item's start when the
// item has snapshot points.
double MapToSourceTime(const tagQVMediaData& item, double dTime);

} // namespace qv
