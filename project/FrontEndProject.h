// How the front-end turns one row of its file list into the one-item project of a job.
#pragma once

#include "project/ProjectTimeline.h"

#include <cstdint>
#include <string>

namespace qv
{

// The values of one file-list row that a job uses (cells parsed as numbers).
struct tagQVJobRow
{
    std::string source;         // "File", UTF-8
    double dDuration = 0.0;     // "Duration", source seconds
    double dStartTime = 0.0;    // "Start"
    double dEndTime = 0.0;      // "End"
    double dAudioDelay = 0.0;   // "Sync Audio"
    double dVoiceScale = 1.0;   // "Volume"
    double dPlaybackRate = 1.0; // "Speed"
    int32_t bHadAudio = 0;      // "Has Audio"
    int32_t nVideoWidth = 0;    // "Source W"
    int32_t nVideoHeight = 0;   // "Source H"
    // The crop of the row when it is cropped (the caller decides that); none otherwise.
    bool bCropped = false;
    tagQVCropData crop;
};

// Fills a main-line video item from the row. The trim points are clamped: the end to the
// source duration, then the start to at most end - 0.1, and a start below 0.001 becomes
// 0; the speed is at least 0.01. The item starts where pPrevious (the item before it on
// the same line, or null) ends.
void FillItemFromRow(const tagQVJobRow& row, int32_t nItemId, const tagQVMediaData* pPrevious,
                     tagQVMediaData* pItem);

// The project of one job: line 0 of type 0 holding the row's item, line 1 of type 9 empty,
// with the default fog and light colours and 3D, fog and lighting off.
ProjectTimeline BuildJobProject(const tagQVJobRow& row, int32_t nItemId);

} // namespace qv
