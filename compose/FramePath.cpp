#include "compose/FramePath.h"

#include "compose/FrameComposition.h"
#include "compose/FrameFinishing.h"
#include "media/CQVItemRuntime.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"

extern "C"
{
#include <libswscale/swscale.h>
}

namespace qv
{

namespace
{

// What an item asks to be drawn into its frame beyond the crop and the size.
bool DrawsIntoTheFrame(const tagQVMediaData& item)
{
    return item.pColorAdjustment != nullptr || item.pMask != nullptr || RotationEnabled(item) ||
           BorderEnabled(item) || !item.snapshots.empty();
}

} // namespace

bool ProjectPicturesGoDirect(const ProjectTimeline& timeline)
{
    const TimelineLine* pMain = timeline.FindLine(kLineMainVideo);
    if (pMain == nullptr || !timeline.secondLine.items.empty())
        return false;
    for (const auto& pItem : pMain->items)
        if (pItem->eMediaType != kMediaVideo || DrawsIntoTheFrame(*pItem))
            return false;
    return true;
}

EQVFramePath ChooseFramePath(const tagQVCompositionContext& context, tagQVMediaData* pMain,
                             const tagQVMediaData* pSecond, bool bDirectWanted)
{
    if (!bDirectWanted || pMain == nullptr || pSecond != nullptr ||
        pMain->eMediaType != kMediaVideo || pMain->eMediaTypeLine != kLineMainVideo ||
        DrawsIntoTheFrame(*pMain))
        return EQVFramePath::kComposed;
    if (!OpenItemDecoder(context, *pMain))
        return EQVFramePath::kComposed;
    // The direct picture goes through the scaler: a format it cannot read is composed.
    const int nFormat = ItemRuntime(*pMain).pDecoder->StreamPixelFormat();
    if (nFormat == AV_PIX_FMT_NONE || !sws_isSupportedInput(static_cast<AVPixelFormat>(nFormat)))
        return EQVFramePath::kComposed;
    return EQVFramePath::kDirect;
}

} // namespace qv
