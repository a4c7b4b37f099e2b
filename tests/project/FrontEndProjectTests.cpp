#include "project/FrontEndProject.h"
#include "project/LineTypes.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

tagQVJobRow SampleRow()
{
    tagQVJobRow row;
    row.source = "/clips/a.mp4";
    row.dDuration = 20.0;
    row.dStartTime = 2.0;
    row.dEndTime = 12.0;
    row.dAudioDelay = 0.3;
    row.dVoiceScale = 0.9;
    row.dPlaybackRate = 2.0;
    row.bHadAudio = 1;
    row.nVideoWidth = 642;
    row.nVideoHeight = 362;
    return row;
}

TEST(FrontEndProject, FillsTheItemFromTheRow)
{
    tagQVJobRow row = SampleRow();
    row.bCropped = true;
    row.crop.xcrop = 4;
    row.crop.ycrop = 2;
    row.crop.wcrop = 636;
    row.crop.hcrop = 356;
    tagQVMediaData item;
    FillItemFromRow(row, 77, nullptr, &item);
    EXPECT_EQ(item.eMediaType, 0);
    EXPECT_EQ(item.eMediaTypeLine, 0);
    EXPECT_EQ(item.eImageFillMode, 1);
    EXPECT_EQ(item.source, "/clips/a.mp4");
    EXPECT_EQ(item.dwselptrinmainapp, 77);
    EXPECT_EQ(item.dVSelfDuration, 20.0);
    EXPECT_EQ(item.dASelfDuration, 20.0);
    EXPECT_EQ(item.dVSelfStartTime, 2.0);
    EXPECT_EQ(item.dASelfStartTime, 2.0);
    EXPECT_EQ(item.dVSelfEndTime, 12.0);
    EXPECT_EQ(item.dASelfEndTime, 12.0);
    EXPECT_EQ(item.dAudioDelay, 0.3);
    EXPECT_EQ(item.dVoiceScale, 0.9);
    EXPECT_EQ(item.dPlaybackRate, 2.0);
    EXPECT_EQ(item.bHadAudio, 1);
    EXPECT_EQ(item.nVideoWidth, 642);
    EXPECT_EQ(item.nVideoHeight, 362);
    EXPECT_EQ(item.dEditorStartTime, 0.0);
    EXPECT_EQ(item.dEditorEndTime, 5.0);
    ASSERT_TRUE(item.pCrop);
    EXPECT_EQ(item.pCrop->enablecrop, 1);
    EXPECT_EQ(item.pCrop->wcrop, 636);
}

TEST(FrontEndProject, RowWithoutCropGivesNoCropRecord)
{
    tagQVMediaData item;
    item.pCrop = std::make_unique<tagQVCropData>();
    FillItemFromRow(SampleRow(), 1, nullptr, &item);
    EXPECT_FALSE(item.pCrop);
}

TEST(FrontEndProject, TrimPointsAreClamped)
{
    struct Case
    {
        double dStart, dEnd, dDuration, dExpectedStart, dExpectedEnd;
    } cases[] = {
        {5.0, 5.0, 20.0, 4.9, 5.0},     // equal: start = end - 0.1
        {9.0, 3.0, 20.0, 2.9, 3.0},     // start after end
        {1.0, 30.0, 20.0, 1.0, 20.0},   // end past the source
        {0.0005, 3.0, 20.0, 0.0, 3.0},  // a start below 1 ms is the beginning
        {0.05, 0.1, 20.0, 0.0, 0.1},    // end - 0.1 = 0 leaves the start at 0
        {25.0, 30.0, 20.0, 19.9, 20.0}, // both past the source: the start follows the end
    };
    for (const Case& c : cases)
    {
        tagQVJobRow row = SampleRow();
        row.dStartTime = c.dStart;
        row.dEndTime = c.dEnd;
        row.dDuration = c.dDuration;
        tagQVMediaData item;
        FillItemFromRow(row, 1, nullptr, &item);
        EXPECT_NEAR(item.dVSelfStartTime, c.dExpectedStart, 1e-12) << c.dStart << " " << c.dEnd;
        EXPECT_NEAR(item.dVSelfEndTime, c.dExpectedEnd, 1e-12) << c.dStart << " " << c.dEnd;
        EXPECT_EQ(item.dASelfStartTime, item.dVSelfStartTime);
        EXPECT_EQ(item.dASelfEndTime, item.dVSelfEndTime);
        EXPECT_GT(item.dEditorEndTime, item.dEditorStartTime);
    }
}

TEST(FrontEndProject, SpeedZeroBecomesOneHundredthAndStretchesTheTimeline)
{
    tagQVJobRow row = SampleRow();
    row.dPlaybackRate = 0.0;
    ProjectTimeline project = BuildJobProject(row, 5);
    const tagQVMediaData& item = *project.lines[0].items[0];
    EXPECT_EQ(item.dPlaybackRate, 0.01);
    EXPECT_NEAR(project.Length(), 100.0 * (12.0 - 2.0), 1e-9);

    row.dPlaybackRate = -3.0;
    EXPECT_EQ(BuildJobProject(row, 5).lines[0].items[0]->dPlaybackRate, 0.01);
}

TEST(FrontEndProject, AnItemStartsWhereThePreviousOneEnds)
{
    tagQVMediaData first;
    FillItemFromRow(SampleRow(), 1, nullptr, &first);
    tagQVMediaData second;
    FillItemFromRow(SampleRow(), 2, &first, &second);
    EXPECT_EQ(second.dEditorStartTime, 5.0);
    EXPECT_EQ(second.dEditorEndTime, 10.0);
}

TEST(FrontEndProject, JobProjectHasTheMainLineAndAnEmptyTextLine)
{
    ProjectTimeline project = BuildJobProject(SampleRow(), 9);
    EXPECT_EQ(project.b3D, 0);
    EXPECT_EQ(project.bEnableFog, 0);
    EXPECT_EQ(project.bEnableLighting, 0);
    EXPECT_EQ(project.clrFog, 11697996);
    EXPECT_EQ(project.clrLightAmbient, 8355711);
    EXPECT_EQ(project.clrLightDiffuse, 16777215);
    ASSERT_EQ(project.lines.size(), 2u);
    EXPECT_EQ(project.lines[0].nIndex, 0);
    EXPECT_EQ(project.lines[0].eMediaTypeLine, 0);
    EXPECT_EQ(project.lines[0].items.size(), 1u);
    EXPECT_EQ(project.lines[1].nIndex, 1);
    EXPECT_EQ(project.lines[1].eMediaTypeLine, 9);
    EXPECT_TRUE(project.lines[1].items.empty());
    EXPECT_EQ(project.ItemCount(), 1);
    EXPECT_EQ(project.Length(), 5.0);
}

TEST(ProjectTimeline, LengthSkipsCameraAndTextActionLinesButCountsTheSecondLine)
{
    auto add = [](TimelineLine& line, double end)
    {
        auto item = std::make_unique<tagQVMediaData>();
        item->eMediaTypeLine = line.eMediaTypeLine;
        item->dEditorEndTime = end;
        line.items.push_back(std::move(item));
    };
    ProjectTimeline project = ProjectTimeline::CreateEngineLines();
    ASSERT_EQ(project.lines.size(), 47u);
    EXPECT_EQ(project.Length(), 0.0);
    add(*project.FindLine(0), 3.0);
    add(*project.FindLine(0), 10.0); // the last item of a line counts
    add(*project.FindLine(kLineCamera), 100.0);
    for (int type : {9, 10, 11, 14, 21, 25, 40, 45})
        add(*project.FindLine(type), 90.0);
    EXPECT_EQ(project.Length(), 10.0);
    add(*project.FindLine(12), 11.0); // text lines 12, 13 and 29-31 do count
    EXPECT_EQ(project.Length(), 11.0);
    add(*project.FindLine(1), 12.0);
    EXPECT_EQ(project.Length(), 12.0);
    add(project.secondLine, 13.0);
    EXPECT_EQ(project.Length(), 13.0);
    add(*project.FindLine(kLineDoubleCount), 1.0);
    EXPECT_EQ(project.ItemCount(), 2 + 1 + 8 + 1 + 1 + 2);
}

TEST(ProjectTimeline, EngineLinesFollowTheFixedTypeOrder)
{
    ProjectTimeline project = ProjectTimeline::CreateEngineLines();
    ASSERT_EQ(project.lines.size(), static_cast<size_t>(kEngineLineCount));
    for (int i = 0; i < kEngineLineCount; ++i)
    {
        EXPECT_EQ(project.lines[i].nIndex, i);
        EXPECT_EQ(project.lines[i].eMediaTypeLine, kEngineLineOrder[i]);
        EXPECT_EQ(EngineLineIndex(kEngineLineOrder[i]), i);
    }
    EXPECT_EQ(EngineLineIndex(8), -1);
    EXPECT_EQ(EngineLineIndex(48), -1);
    EXPECT_EQ(project.FindLine(8), nullptr);
    EXPECT_EQ(project.lines[2].eMediaTypeLine, 0);
}

TEST(tagQVMediaData, KeyBoundsStayWithinAByte)
{
    tagQVVideoKeyData key;
    key.VideoKeyColor = 0x1113EA; // red 234, green 19, blue 17
    key.VideoKeyErrorDel = 20;
    ComputeKeyBounds(&key);
    EXPECT_EQ(key.nRedLow, 214);
    EXPECT_EQ(key.nRedHigh, 254);
    EXPECT_EQ(key.nGreenLow, 0);
    EXPECT_EQ(key.nGreenHigh, 39);
    EXPECT_EQ(key.nBlueLow, 0);
    EXPECT_EQ(key.nBlueHigh, 37);
    key.VideoKeyErrorDel = INT32_MIN; // a hostile tolerance must not overflow
    ComputeKeyBounds(&key);
    EXPECT_EQ(key.nRedLow, 255);
    EXPECT_EQ(key.nRedHigh, 0);
}

} // namespace
} // namespace qv
