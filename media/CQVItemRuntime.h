// What the composition keeps per media item while the item plays: its decoder, its picture
// caches, the cached snapshot hold and the frames of an animated picture. Kept in the
// item's state slot and freed with the item.
#pragma once

#include "media/CQVFFMpegCapture.h"
#include "project/ProjectTimeline.h"
#include "project/tagQVMediaData.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv
{

// One picture of an animated file, written as a PNG of its own.
struct tagQVAnimationFrame
{
    std::string path;
    double dDuration = 0.0; // seconds
};

class CQVItemRuntime : public IQVMediaItemState
{
public:
    // Takes the next identity of this process.
    CQVItemRuntime();

    // A number unique to the item within this process; it names the item's temporary files.
    int64_t Identity() const { return m_nIdentity; }

    // --- video items: at most one open decoder; null while none is open
    std::unique_ptr<CQVFFMpegCapture> pDecoder;
    // Scales the picture's rectangle to the output size when the two differ.
    QVScalerPtr pRegionScaler;

    // --- picture items
    QImage imageCache;         // the rendered picture, bottom row first; null until drawn
    QImage secondImageCache;   // the current animation frame at the output size
    QImage maskImage;          // the prepared moving mask, built by the effects layer
    bool bTransparent = false; // the picture file carries an alpha channel

    // --- snapshot points: their total hold in output seconds; negative until computed
    double dHoldTotal = -1.0;

    // --- animated pictures
    bool bAnimationPrepared = false;
    std::string animationSource; // the file the frames were taken from
    std::vector<tagQVAnimationFrame> frames;
    int nCurrentFrame = -1;

private:
    int64_t m_nIdentity;
};

// The item's runtime state, made on first use. A state of another kind in the item's slot
// is replaced.
CQVItemRuntime& ItemRuntime(tagQVMediaData& item);

// The item's runtime state, or null when none has been made.
CQVItemRuntime* FindItemRuntime(const tagQVMediaData& item);

// Frees the open decoders of the items of the main video line (with the second line its
// items were moved to) and of every line of type 3. Decoders only move forward, so a new
// run of the project must open them afresh at its own start. Only while nothing composes.
void ReleaseItemDecoders(ProjectTimeline& timeline);

} // namespace qv
