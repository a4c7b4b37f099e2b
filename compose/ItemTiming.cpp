#include "compose/ItemTiming.h"

#include "media/CQVItemRuntime.h"
#include "probe/FFmpegCommon.h"

#include <cmath>

namespace qv
{

namespace
{

constexpr double kMinimumPlaybackRate = 0.01;

} // namespace

int64_t QVMilliseconds(double dSeconds)
{
    return QVTruncToInt64(dSeconds * 1000.0);
}

double ItemPlaybackRate(const tagQVMediaData& item)
{
    // Written so that NaN also falls back to the minimum.
    return item.dPlaybackRate >= kMinimumPlaybackRate ? item.dPlaybackRate : kMinimumPlaybackRate;
}

double SnapshotHoldTotal(tagQVMediaData& item)
{
    if (item.snapshots.empty())
        return 0.0;
    CQVItemRuntime& runtime = ItemRuntime(item);
    if (runtime.dHoldTotal >= 0.0)
        return runtime.dHoldTotal;
    const int64_t nStart = QVMilliseconds(item.dVSelfStartTime);
    const int64_t nEnd = QVMilliseconds(item.dVSelfEndTime);
    double dTotal = 0.0;
    for (const tagQVVideoSnapshotData& point : item.snapshots)
    {
        const int64_t nCapture = QVMilliseconds(point.dCaptureTime);
        if (nCapture >= nStart && nCapture <= nEnd)
            dTotal += point.dDuration;
    }
    // A negative total of broken durations would read as "not computed" next time.
    runtime.dHoldTotal = dTotal > 0.0 ? dTotal : 0.0;
    return runtime.dHoldTotal;
}

bool ItemCoversTime(tagQVMediaData& item, double dTime)
{
    return item.dEditorStartTime <= dTime && dTime <= item.dEditorEndTime + SnapshotHoldTotal(item);
}

tagQVMediaData* FindItemAt(TimelineLine& line, double dTime)
{
    auto& items = line.items;
    if (items.empty())
        return nullptr;
    size_t nLow = 0;
    size_t nHigh = items.size() - 1;
    for (;;)
    {
        if (nHigh < nLow)
            return nullptr;
        if (ItemCoversTime(*items[nLow], dTime))
            return items[nLow].get();
        if (ItemCoversTime(*items[nHigh], dTime))
            return items[nHigh].get();
        const size_t nMiddle = nLow + (nHigh - nLow) / 2;
        if (nMiddle == nLow)
            return nullptr;
        tagQVMediaData& middle = *items[nMiddle];
        if (ItemCoversTime(middle, dTime))
            return &middle;
        if (dTime >= middle.dEditorStartTime)
            nLow = nMiddle;
        else
            nHigh = nMiddle;
    }
}

tagQVSourceTime ComputeSourceTime(tagQVMediaData& item, double dTime)
{
    const double dRate = ItemPlaybackRate(item);
    const int64_t nTime = QVMilliseconds(dTime);
    const int64_t nSelfStart = QVMilliseconds(item.dVSelfStartTime);
    double dTimeline = item.dEditorStartTime;
    double dPrevious = item.dVSelfStartTime;
    double dHeld = 0.0;
    tagQVSourceTime result;
    for (tagQVVideoSnapshotData& point : item.snapshots)
    {
        if (QVMilliseconds(point.dCaptureTime) < nSelfStart)
            continue;
        // The output time at which the source reaches the point.
        dTimeline += (point.dCaptureTime - dPrevious) / dRate;
        if (QVMilliseconds(dTimeline) > nTime)
            break;
        if (QVMilliseconds(point.dDuration + dTimeline) >= nTime)
        {
            result.pHold = &point;
            break;
        }
        dTimeline += point.dDuration;
        dHeld += point.dDuration;
        dPrevious = point.dCaptureTime;
    }
    result.dSourceTime = ((dTime - item.dEditorStartTime) - dHeld) * dRate + item.dVSelfStartTime;
    return result;
}

double MapToSourceTime(const tagQVMediaData& item, double dTime)
{
    const double dRate = ItemPlaybackRate(item);
    if (!item.snapshots.empty() && dTime < item.dEditorStartTime)
        return 0.0;
    double dTimeline = item.dEditorStartTime;
    double dPrevious = item.dVSelfStartTime;
    double dHeld = 0.0;
    for (const tagQVVideoSnapshotData& point : item.snapshots)
    {
        if (point.dCaptureTime < item.dVSelfStartTime)
            continue;
        dTimeline += (point.dCaptureTime - dPrevious) / dRate;
        if (dTimeline > dTime)
            break;
        if (point.dDuration + dTimeline >= dTime)
            return point.dCaptureTime;
        dTimeline += point.dDuration;
        dHeld += point.dDuration;
        dPrevious = point.dCaptureTime;
    }
    return ((dTime - item.dEditorStartTime) - dHeld) * dRate + item.dVSelfStartTime;
}

} // namespace qv
