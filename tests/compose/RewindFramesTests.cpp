#include "compose/RewindFrames.h"
#include "media/CQVItemRuntime.h"
#include "tests/support/ComposeMedia.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace qv
{
namespace
{

tagQVVideoSnapshotData RewindPoint(int64_t nSaved)
{
    tagQVVideoSnapshotData point;
    point.bRewind = 1;
    point.nSavedFrames = nSaved;
    point.dDuration = 2.0;
    point.nRewindLoop = 0;
    point.dBackDurationPercent = 0.5;
    return point;
}

TEST(RewindFramesTest, ReplayRunsBackThenForwardOverEachCycle)
{
    tagQVVideoSnapshotData point = RewindPoint(10);
    std::vector<int64_t> indices;
    for (int i = 0; i < 60; ++i)
        indices.push_back(NextRewindIndex(point, kQVConvertFrameRate));
    EXPECT_EQ(point.nReplayedFrames, 60);
    EXPECT_EQ(indices[0], 9);  // elapsed 0: the last saved frame
    EXPECT_EQ(indices[15], 4); // the 16th, elapsed 0.5 s: 9 − 9 × 0.5 ÷ 1.0 = 4.5
    EXPECT_EQ(indices[30], 0); // elapsed 1.0 s: back at the first
    EXPECT_EQ(indices[45], 4); // the 46th, elapsed 1.5 s: 9 × 0.5 ÷ 1.0 = 4.5 on the way forward
    EXPECT_EQ(indices[59], 8); // 9 × (1.9667 − 1) ÷ 1
    for (size_t i = 1; i <= 30; ++i)
        EXPECT_LE(indices[i], indices[i - 1]) << i;
    for (size_t i = 32; i < 60; ++i)
        EXPECT_GE(indices[i], indices[i - 1]) << i;
}

TEST(RewindFramesTest, ReplayCountsInOutputFramesAndLoops)
{
    tagQVVideoSnapshotData point = RewindPoint(10);
    point.nRewindLoop = 1; // two cycles of 1 s
    point.nReplayedFrames = 4;
    // Previewing at 15 frames per second: the 5th frame is 4/15 s into a 1 s cycle.
    EXPECT_EQ(NextRewindIndex(point, kQVPreviewFrameRate), int64_t(9 - 9 * (4.0 / 15) / 0.5));
    point.nReplayedFrames = 15; // one second in: the second cycle starts again at the end
    EXPECT_EQ(NextRewindIndex(point, kQVPreviewFrameRate), 9);
}

TEST(RewindFramesTest, NothingToReplayWithoutSavedFramesOrLength)
{
    tagQVVideoSnapshotData point = RewindPoint(0);
    EXPECT_EQ(NextRewindIndex(point, kQVConvertFrameRate), -1);
    EXPECT_EQ(point.nReplayedFrames, 0);
    point = RewindPoint(5);
    point.dDuration = 0.0;
    EXPECT_EQ(NextRewindIndex(point, kQVConvertFrameRate), -1);
    point = RewindPoint(5);
    point.nRewindLoop = -1; // broken loop counts act as none
    EXPECT_EQ(NextRewindIndex(point, kQVConvertFrameRate), 4);
    point = RewindPoint(5);
    point.dBackDurationPercent = 1.0; // the whole cycle runs back
    point.nReplayedFrames = 59;
    EXPECT_EQ(NextRewindIndex(point, kQVConvertFrameRate), 0);
}

// A frame of one grey level, W × H.
std::vector<uint8_t> GreyFrame(int W, int H, uint8_t nLevel)
{
    std::vector<uint8_t> frame(size_t(W) * H * 4, nLevel);
    for (size_t i = 3; i < frame.size(); i += 4)
        frame[i] = 255;
    return frame;
}

TEST(RewindFramesTest, FramesBeforeARewindPointAreSavedAndReplayed)
{
    test::CQVScratchFolder folder;
    tagQVCompositionContext context;
    context.tmpFolder = folder / "";
    tagQVMediaData item;
    item.dVSelfStartTime = 0.0;
    item.dVSelfEndTime = 10.0;
    tagQVVideoSnapshotData plain;
    plain.dCaptureTime = 1.0; // no rewind: the first point ahead decides
    plain.dDuration = 1.0;
    tagQVVideoSnapshotData rewind = RewindPoint(0);
    rewind.dCaptureTime = 4.0;
    rewind.dRewindMediaDuration = 1.0;
    item.snapshots = {plain, rewind};
    const int W = 32, H = 16;

    // At 0.5 s the first point ahead does not rewind; at 2.9 s the rewinding one is ahead
    // but more than its media duration away.
    SaveRewindFrame(context, item, GreyFrame(W, H, 10).data(), W, H, 0.5);
    SaveRewindFrame(context, item, GreyFrame(W, H, 10).data(), W, H, 2.9);
    EXPECT_EQ(item.snapshots[1].nSavedFrames, 0);
    // From 3.0 s (4.0 − 1.0) up to the capture time.
    SaveRewindFrame(context, item, GreyFrame(W, H, 10).data(), W, H, 2.9995); // 2999 ms
    SaveRewindFrame(context, item, GreyFrame(W, H, 40).data(), W, H, 3.0);
    SaveRewindFrame(context, item, GreyFrame(W, H, 120).data(), W, H, 3.5);
    SaveRewindFrame(context, item, GreyFrame(W, H, 200).data(), W, H, 3.99);
    SaveRewindFrame(context, item, GreyFrame(W, H, 250).data(), W, H, 4.0); // not before it
    ASSERT_EQ(item.snapshots[1].nSavedFrames, 3);
    const std::string rwv = RewindFolder(context, item, item.snapshots[1]);
    EXPECT_EQ(rwv,
              context.tmpFolder + "rwv/" + std::to_string(ItemRuntime(item).Identity()) + "_1/");
    EXPECT_TRUE(std::filesystem::exists(rwv + "2.jpg"));

    // The hold replays from the last saved frame back to the first.
    std::vector<uint8_t> frame = GreyFrame(W, H, 0);
    tagQVVideoSnapshotData& point = item.snapshots[1];
    point.dDuration = 2.0;
    ASSERT_EQ(ReplayRewindFrame(context, item, point, frame.data(), W, H), 1);
    EXPECT_NEAR(frame[0], 200, 3);
    point.nReplayedFrames = 30; // elapsed 1 s: the first saved frame
    ASSERT_EQ(ReplayRewindFrame(context, item, point, frame.data(), W, H), 1);
    EXPECT_NEAR(frame[(size_t(W) * H - 1) * 4], 40, 3);

    // A missing file draws nothing.
    std::filesystem::remove(rwv + "0.jpg");
    point.nReplayedFrames = 30;
    EXPECT_EQ(ReplayRewindFrame(context, item, point, frame.data(), W, H), 0);
    // Without a tmp folder nothing is saved or replayed.
    tagQVCompositionContext bare;
    SaveRewindFrame(bare, item, frame.data(), W, H, 3.5);
    EXPECT_EQ(point.nSavedFrames, 3);
    EXPECT_EQ(ReplayRewindFrame(bare, item, point, frame.data(), W, H), 0);
}

} // namespace
} // namespace qv
