#include "compose/ItemTiming.h"
#include "media/CQVItemRuntime.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

std::unique_ptr<tagQVMediaData> Item(double dStart, double dEnd)
{
    auto item = std::make_unique<tagQVMediaData>();
    item->dEditorStartTime = dStart;
    item->dEditorEndTime = dEnd;
    item->dVSelfStartTime = 0.0;
    item->dVSelfEndTime = dEnd - dStart;
    return item;
}

tagQVVideoSnapshotData Point(double dCapture, double dDuration)
{
    tagQVVideoSnapshotData point;
    point.dCaptureTime = dCapture;
    point.dDuration = dDuration;
    return point;
}

TEST(ItemTimingTest, FindsTheItemCoveringATimeAndNoneBetweenItems)
{
    TimelineLine line;
    // Five items with gaps: [0,2] [3,5] [6,8] [9,11] [12,14].
    for (int i = 0; i < 5; ++i)
        line.items.push_back(Item(3.0 * i, 3.0 * i + 2.0));
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(FindItemAt(line, 3.0 * i), line.items[i].get()) << i;       // start included
        EXPECT_EQ(FindItemAt(line, 3.0 * i + 1.0), line.items[i].get()) << i; // middle
        EXPECT_EQ(FindItemAt(line, 3.0 * i + 2.0), line.items[i].get()) << i; // end included
        EXPECT_EQ(FindItemAt(line, 3.0 * i + 2.5), nullptr) << i;             // the gap after
    }
    EXPECT_EQ(FindItemAt(line, -1.0), nullptr);
    EXPECT_EQ(FindItemAt(line, 100.0), nullptr);
    TimelineLine empty;
    EXPECT_EQ(FindItemAt(empty, 0.0), nullptr);
}

TEST(ItemTimingTest, AnItemCoversItsSnapshotHoldsAfterItsEnd)
{
    TimelineLine line;
    line.items.push_back(Item(0.0, 10.0));
    line.items.push_back(Item(10.5, 20.0));
    line.items[0]->snapshots.push_back(Point(4.0, 2.0));
    EXPECT_EQ(FindItemAt(line, 11.9), line.items[0].get());
    EXPECT_EQ(FindItemAt(line, 12.0), line.items[0].get());
    EXPECT_EQ(FindItemAt(line, 12.1), line.items[1].get());
}

TEST(ItemTimingTest, HoldTotalCountsPointsInsideTheUsedSourceByMilliseconds)
{
    auto item = Item(0.0, 5.0);
    item->dVSelfStartTime = 1.0;
    item->dVSelfEndTime = 3.0;
    item->snapshots.push_back(Point(0.9995, 1.0)); // 999 ms: before the start
    item->snapshots.push_back(Point(1.0004, 2.0)); // 1000 ms: counts
    item->snapshots.push_back(Point(3.0009, 4.0)); // 3000 ms: counts
    item->snapshots.push_back(Point(3.001, 8.0));  // 3001 ms: after the end
    EXPECT_DOUBLE_EQ(SnapshotHoldTotal(*item), 6.0);
    // Computed once: later changes to the points do not show.
    item->snapshots[1].dDuration = 100.0;
    EXPECT_DOUBLE_EQ(SnapshotHoldTotal(*item), 6.0);
    auto plain = Item(0.0, 5.0);
    EXPECT_DOUBLE_EQ(SnapshotHoldTotal(*plain), 0.0);
    EXPECT_EQ(FindItemRuntime(*plain), nullptr); // nothing kept for items without points
}

TEST(ItemTimingTest, RateTwoShowsTwoSourceSecondsPerOutputSecond)
{
    auto item = Item(5.0, 10.0);
    item->dPlaybackRate = 2.0;
    item->dVSelfStartTime = 1.0;
    EXPECT_DOUBLE_EQ(ComputeSourceTime(*item, 6.0).dSourceTime, 3.0);
    EXPECT_EQ(ComputeSourceTime(*item, 6.0).pHold, nullptr);
    EXPECT_DOUBLE_EQ(MapToSourceTime(*item, 6.0), 3.0);
}

TEST(ItemTimingTest, ASnapshotHoldsThePictureAndDelaysTheRest)
{
    auto item = Item(0.0, 10.0);
    item->snapshots.push_back(Point(4.0, 2.0));
    for (double t : {4.0, 5.0, 6.0})
    {
        const tagQVSourceTime source = ComputeSourceTime(*item, t);
        EXPECT_EQ(source.pHold, &item->snapshots[0]) << t;
        EXPECT_DOUBLE_EQ(MapToSourceTime(*item, t), 4.0) << t;
    }
    EXPECT_EQ(ComputeSourceTime(*item, 3.9).pHold, nullptr);
    EXPECT_DOUBLE_EQ(ComputeSourceTime(*item, 3.9).dSourceTime, 3.9);
    EXPECT_EQ(ComputeSourceTime(*item, 7.0).pHold, nullptr);
    EXPECT_DOUBLE_EQ(ComputeSourceTime(*item, 7.0).dSourceTime, 5.0);
    EXPECT_DOUBLE_EQ(MapToSourceTime(*item, 7.0), 5.0);
    EXPECT_TRUE(ItemCoversTime(*item, 12.0));
    EXPECT_FALSE(ItemCoversTime(*item, 12.01));
}

TEST(ItemTimingTest, HoldsOfSeveralPointsAddUpAtTheItemsSpeed)
{
    auto item = Item(10.0, 20.0);
    item->dPlaybackRate = 2.0;
    item->dVSelfStartTime = 2.0;
    item->dVSelfEndTime = 22.0;
    item->snapshots.push_back(Point(1.0, 5.0)); // before the used part: skipped
    item->snapshots.push_back(Point(4.0, 1.0)); // reached at 10 + (4 - 2) / 2 = 11
    item->snapshots.push_back(Point(8.0, 0.5)); // reached at 12 + (8 - 4) / 2 = 14
    EXPECT_EQ(ComputeSourceTime(*item, 11.5).pHold, &item->snapshots[1]);
    EXPECT_DOUBLE_EQ(ComputeSourceTime(*item, 13.0).dSourceTime, (3.0 - 1.0) * 2.0 + 2.0);
    EXPECT_EQ(ComputeSourceTime(*item, 14.25).pHold, &item->snapshots[2]);
    EXPECT_DOUBLE_EQ(ComputeSourceTime(*item, 15.0).dSourceTime, (5.0 - 1.5) * 2.0 + 2.0);
    EXPECT_DOUBLE_EQ(MapToSourceTime(*item, 14.25), 8.0);
    EXPECT_DOUBLE_EQ(SnapshotHoldTotal(*item), 1.5);
    // Before the start of an item with points the decoder is positioned at 0.
    EXPECT_DOUBLE_EQ(MapToSourceTime(*item, 9.0), 0.0);
}

TEST(ItemTimingTest, HoldEdgesAreComparedInWholeMilliseconds)
{
    auto item = Item(0.0, 10.0);
    item->snapshots.push_back(Point(4.0, 2.0));
    // 6.0009 s truncates to 6000 ms: still inside the hold that ends at 6000 ms.
    EXPECT_NE(ComputeSourceTime(*item, 6.0009).pHold, nullptr);
    EXPECT_EQ(ComputeSourceTime(*item, 6.001).pHold, nullptr);
    // The plain mapping compares exactly.
    EXPECT_DOUBLE_EQ(MapToSourceTime(*item, 6.0009), 6.0009 - 2.0);
}

TEST(ItemTimingTest, ABrokenRateNeverDividesByZero)
{
    auto item = Item(0.0, 10.0);
    item->dPlaybackRate = 0.0;
    item->snapshots.push_back(Point(0.05, 1.0));
    EXPECT_DOUBLE_EQ(ItemPlaybackRate(*item), 0.01);
    const tagQVSourceTime source = ComputeSourceTime(*item, 5.0); // point reached at 5 s
    EXPECT_EQ(source.pHold, &item->snapshots[0]);
}

} // namespace
} // namespace qv
