#include "compose/AnimationFrames.h"

#include "media/CQVItemRuntime.h"
#include "platform/ProgramFolder.h"
#include "project/LineTypes.h"
#include "project/MediaTypes.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qv
{

bool PrepareAnimationFrames(const tagQVCompositionContext& context, tagQVMediaData& item)
{
    CQVItemRuntime& runtime = ItemRuntime(item);
    if (runtime.bAnimationPrepared)
        return runtime.frames.size() >= 2;
    runtime.bAnimationPrepared = true;
    if (item.eMediaType != kMediaPicture || context.tmpFolder.empty())
        return false;

    QImageReader reader(QString::fromStdString(item.source));
    if (!reader.supportsAnimation())
        return false;
    const std::string folder = context.tmpFolder + "gif" + std::to_string(runtime.Identity()) + "/";
    std::vector<tagQVAnimationFrame> frames;
    bool bFolderMade = false;
    while (static_cast<int>(frames.size()) < kQVMaximumAnimationFrames)
    {
        const QImage frame = reader.read();
        if (frame.isNull())
            break;
        if (!bFolderMade && !(bFolderMade = MakeFolders(folder)))
            return false;
        tagQVAnimationFrame entry;
        entry.path = folder + std::to_string(frames.size()) + ".png";
        // The delay of the frame just read, in milliseconds.
        entry.dDuration = std::max(reader.nextImageDelay(), 0) / 1000.0;
        if (!frame.save(QString::fromStdString(entry.path), "PNG"))
            return false;
        frames.push_back(entry);
    }
    if (frames.size() < 2)
        return false;
    double dTotal = 0.0;
    for (const tagQVAnimationFrame& frame : frames)
        dTotal += frame.dDuration;
    if (!(dTotal > 0.0))
    {
        for (tagQVAnimationFrame& frame : frames)
            frame.dDuration = kQVMinimumAnimationFrameSeconds;
    }
    runtime.animationSource = item.source;
    runtime.frames = std::move(frames);
    return true;
}

int AnimationFrameAt(const tagQVMediaData& item, double dElapsed)
{
    const CQVItemRuntime* pRuntime = FindItemRuntime(item);
    if (pRuntime == nullptr || pRuntime->frames.empty())
        return -1;
    const std::vector<tagQVAnimationFrame>& frames = pRuntime->frames;
    double dTotal = 0.0;
    for (const tagQVAnimationFrame& frame : frames)
        dTotal += frame.dDuration;
    if (!(dTotal > 0.0) || !(dElapsed >= 0.0))
        return 0;
    // Whole cycles before the one that holds e are skipped rather than walked; the walk
    // then covers at most two cycles.
    double dStart = 0.0;
    const double dCycles = std::floor(dElapsed / dTotal);
    if (dCycles >= 2.0)
        dStart = (dCycles - 1.0) * dTotal;
    const size_t nLimit = frames.size() * 3;
    for (size_t i = 0; i < nLimit; ++i)
    {
        const tagQVAnimationFrame& frame = frames[i % frames.size()];
        if (dStart <= dElapsed && dElapsed <= dStart + frame.dDuration)
            return static_cast<int>(i % frames.size());
        dStart += frame.dDuration;
    }
    return static_cast<int>(frames.size()) - 1;
}

void SelectAnimationFrame(const tagQVCompositionContext& context, double dTime,
                          tagQVMediaData& item)
{
    if (item.eMediaType != kMediaPicture || !PrepareAnimationFrames(context, item))
        return;
    CQVItemRuntime& runtime = ItemRuntime(item);
    double dElapsed = dTime - item.dEditorStartTime;
    dElapsed = std::min(std::max(dElapsed, 0.0), item.dEditorEndTime - item.dEditorStartTime);
    dElapsed = std::max(dElapsed, 0.0);
    const int nFrame = AnimationFrameAt(item, dElapsed);
    if (nFrame < 0 || nFrame == runtime.nCurrentFrame)
        return;
    runtime.nCurrentFrame = nFrame;
    item.source = runtime.frames[static_cast<size_t>(nFrame)].path;
    runtime.imageCache = QImage();
    runtime.secondImageCache = QImage();
    if ((item.eMediaTypeLine == kLineMainVideo || item.eMediaTypeLine == kLineDoubleCount) &&
        context.b3D == 0 && context.nOutputWidth > 0 && context.nOutputHeight > 0)
    {
        const QImage frame(QString::fromStdString(item.source), "PNG");
        QImage second(context.nOutputWidth, context.nOutputHeight, QImage::Format_ARGB32);
        if (!frame.isNull() && !second.isNull())
        {
            second.fill(Qt::transparent);
            QPainter painter(&second);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(0, 0, second.width(), second.height()), frame);
            painter.end();
            runtime.secondImageCache = second;
        }
    }
}

} // namespace qv
