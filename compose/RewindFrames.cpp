#include "compose/RewindFrames.h"

#include "compose/FrameImage.h"
#include "compose/ItemTiming.h"
#include "media/CQVItemRuntime.h"
#include "platform/ProgramFolder.h"
#include "probe/FFmpegCommon.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

// Lengths below this count as none.
constexpr double kMinimumSpan = 0.001;

std::string FrameFileName(int64_t nIndex)
{
    return std::to_string(static_cast<long long>(nIndex)) + ".jpg";
}

int64_t PointIndex(const tagQVMediaData& item, const tagQVVideoSnapshotData& point)
{
    if (item.snapshots.empty() || &point < item.snapshots.data() ||
        &point >= item.snapshots.data() + item.snapshots.size())
        return -1;
    return &point - item.snapshots.data();
}

} // namespace

std::string RewindFolder(const tagQVCompositionContext& context, const tagQVMediaData& item,
                         const tagQVVideoSnapshotData& point)
{
    const int64_t nIndex = PointIndex(item, point);
    const CQVItemRuntime* pRuntime = FindItemRuntime(item);
    if (context.tmpFolder.empty() || nIndex < 0 || pRuntime == nullptr)
        return std::string();
    return context.tmpFolder + "rwv/" + std::to_string(pRuntime->Identity()) + "_" +
           std::to_string(nIndex) + "/";
}

int64_t NextRewindIndex(tagQVVideoSnapshotData& point, double dOutputFrameRate)
{
    const int64_t n = point.nSavedFrames;
    if (n <= 0)
        return -1;
    const int nLoops = std::max(point.nRewindLoop, 0);
    const double dCycle = point.dDuration / (nLoops + 1.0);
    if (!(dCycle > kMinimumSpan))
        return -1;
    const double dBack = point.dBackDurationPercent * dCycle;
    const double dForward = dCycle - dBack;
    const double dRate = dOutputFrameRate > 0.0 ? dOutputFrameRate : kQVConvertFrameRate;

    const double dElapsed = static_cast<double>(point.nReplayedFrames) / dRate;
    ++point.nReplayedFrames;
    const double dPosition = dElapsed - dCycle * std::trunc(dElapsed / dCycle);
    const double dLast = static_cast<double>(n - 1);
    double dIndex = 0.0;
    if (dPosition <= dBack && dBack > kMinimumSpan)
        dIndex = dLast - dLast * dPosition / dBack;
    else if (dForward > kMinimumSpan)
        dIndex = dLast * (dPosition - dBack) / dForward;
    else
        return -1;
    return std::clamp<int64_t>(QVTruncToInt64(dIndex), 0, n - 1);
}

void SaveRewindFrame(const tagQVCompositionContext& context, tagQVMediaData& item,
                     const uint8_t* pFrame, int nWidth, int nHeight, double dSourceTime)
{
    if (pFrame == nullptr || context.tmpFolder.empty())
        return;
    const int64_t nSource = QVMilliseconds(dSourceTime);
    const int64_t nStart = QVMilliseconds(item.dVSelfStartTime);
    const int64_t nEnd = QVMilliseconds(item.dVSelfEndTime);
    for (tagQVVideoSnapshotData& point : item.snapshots)
    {
        const int64_t nCapture = QVMilliseconds(point.dCaptureTime);
        if (nCapture < nStart || nCapture > nEnd || nCapture <= nSource)
            continue;
        if (point.bRewind == 0 ||
            nSource < QVMilliseconds(point.dCaptureTime - point.dRewindMediaDuration))
            return;
        ItemRuntime(item); // the folder is named after the item's identity
        const std::string folder = RewindFolder(context, item, point);
        if (folder.empty() || !MakeFolders(folder))
            return;
        const QImage image = FrameToImage(pFrame, nWidth, nHeight);
        if (!image.isNull() &&
            image.save(QString::fromStdString(folder + FrameFileName(point.nSavedFrames)), "JPG"))
            ++point.nSavedFrames;
        return;
    }
}

int ReplayRewindFrame(const tagQVCompositionContext& context, const tagQVMediaData& item,
                      tagQVVideoSnapshotData& point, uint8_t* pFrame, int nWidth, int nHeight)
{
    const int64_t nIndex = NextRewindIndex(point, context.dOutputFrameRate);
    if (nIndex < 0)
        return 0;
    const std::string folder = RewindFolder(context, item, point);
    if (folder.empty())
        return 0;
    const std::string path = folder + FrameFileName(nIndex);
    if (!PathExists(path))
        return 0;
    const QImage image(QString::fromStdString(path), "JPG");
    return DrawImageToFrame(image, pFrame, nWidth, nHeight) ? 1 : 0;
}

} // namespace qv
