#include "project/FrontEndProject.h"

#include "project/LineTypes.h"
#include "project/MediaTypes.h"

#include <cmath>

namespace qv
{

namespace
{

constexpr double kMinimumTrim = 0.1;
constexpr double kMinimumRate = 0.01;

} // namespace

void FillItemFromRow(const tagQVJobRow& row, int32_t nItemId, const tagQVMediaData* pPrevious,
                     tagQVMediaData* pItem)
{
    tagQVMediaData& item = *pItem;
    item.eMediaTypeLine = kLineMainVideo;
    item.eMediaType = kMediaVideo;
    item.eImageFillMode = 1;
    item.source = row.source;
    if (row.bCropped)
        item.pCrop = std::make_unique<tagQVCropData>(row.crop);
    else
        item.pCrop.reset();

    item.dVSelfDuration = row.dDuration;
    item.dASelfDuration = row.dDuration;

    // The end is cut to the source first: cutting the start against an end that is later
    // lowered could leave the start behind the end and the item with a negative length.
    double start = row.dStartTime;
    double end = row.dEndTime;
    if (end > row.dDuration)
        end = row.dDuration;
    if (start > end - kMinimumTrim)
        start = end - kMinimumTrim;
    if (start < 0.001)
        start = 0.0;
    item.dVSelfStartTime = item.dASelfStartTime = start;
    item.dVSelfEndTime = item.dASelfEndTime = end;

    item.dAudioDelay = row.dAudioDelay;
    item.dVoiceScale = row.dVoiceScale;
    item.dPlaybackRate = std::isnan(row.dPlaybackRate) || row.dPlaybackRate < kMinimumRate
                             ? kMinimumRate
                             : row.dPlaybackRate;
    item.bHadAudio = row.bHadAudio;
    item.nVideoWidth = row.nVideoWidth;
    item.nVideoHeight = row.nVideoHeight;

    item.dEditorStartTime = pPrevious ? pPrevious->dEditorEndTime : 0.0;
    item.dEditorEndTime =
        item.dEditorStartTime + (item.dVSelfEndTime - item.dVSelfStartTime) / item.dPlaybackRate;
    item.dwselptrinmainapp = nItemId;
}

ProjectTimeline BuildJobProject(const tagQVJobRow& row, int32_t nItemId)
{
    ProjectTimeline timeline;
    timeline.AddLine(kLineMainVideo);
    timeline.AddLine(kLineSecondaryText);
    TimelineLine& main = timeline.lines[0];
    auto item = std::make_unique<tagQVMediaData>();
    FillItemFromRow(row, nItemId, nullptr, item.get());
    main.items.push_back(std::move(item));
    main.LinkItems();
    return timeline;
}

} // namespace qv
