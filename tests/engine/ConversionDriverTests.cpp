// A conversion from the start order in the control block to the finished file, through
// the real engine process.
#include "project/FrontEndProject.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 60000;

tagQVOutputSettings Mp4Settings(int nWidth, int nHeight)
{
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = nWidth;
    settings.nHeight = nHeight;
    settings.nOutputFormat = 0;
    return settings;
}

// The one-item project the front-end writes for a row of its list.
std::string JobProject(CQVEngineDriver& driver, const std::string& source, double dStart,
                       double dEnd, int nPresetIndex)
{
    tagQVJobRow row;
    row.source = source;
    row.dDuration = 3.0;
    row.dStartTime = dStart;
    row.dEndTime = dEnd;
    row.bHadAudio = 1;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;
    std::string path = driver.ProgramPath("tmp/job.qvprj");
    if (!WriteProjectFile(BuildJobProject(row, 1), nPresetIndex, path))
        return "";
    std::string bytes;
    test::ReadFileBytes(path, &bytes);
    return bytes;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

TEST(ConversionDriver, CompletesWithTheTimelineLengthAsFinalPosition)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string source = test::MediaPath(test::EMedia::H264);
    ASSERT_FALSE(source.empty());
    std::string project = JobProject(driver, source, 0.5, 2.5, 5);
    ASSERT_FALSE(project.empty());
    std::string output = driver.ProgramPath("out folder/(output001)clip é.mp4");
    ASSERT_EQ(mkdir(driver.ProgramPath("out folder").c_str(), 0700), 0);
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(160, 120), project));

    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit));
    EXPECT_TRUE(exit.bExited);
    EXPECT_EQ(exit.nExitCode, kEngineCompleted);
    SharedControlBlock& block = *driver.Block();
    EXPECT_EQ(block.nState, kStateIdle);
    EXPECT_EQ(block.bEngineClosed, 1);
    EXPECT_EQ(block.bGraphRunning, 1);
    EXPECT_DOUBLE_EQ(block.dPosition, 2.0);

    test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk) << output;
    const test::tagQVProbeStream* video = probe.Find("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->width, 160);
    EXPECT_EQ(video->height, 120);
    EXPECT_EQ(video->rFrameRate, "30/1");
    EXPECT_NEAR(probe.dDuration, 2.0, 0.1);
}

TEST(ConversionDriver, WaitsForTheStartFlag)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string output = driver.ProgramPath("waited.mp4");
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(64, 48)));
    driver.Block()->bStartConvert = 0;
    ASSERT_TRUE(driver.Launch());

    tagQVProcessExit exit;
    EXPECT_FALSE(ReapProcess(driver.EnginePid(), &exit));
    int polls = 0;
    bool released = false;
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit, 20,
                                   [&](SharedControlBlock& block)
                                   {
                                       // Half a second of waiting: nothing may have started.
                                       if (++polls == 25)
                                       {
                                           EXPECT_EQ(block.bGraphRunning, 0);
                                           EXPECT_FALSE(Exists(output));
                                           block.bStartConvert = 1;
                                           released = true;
                                       }
                                   }));
    EXPECT_TRUE(released) << "the engine must not end before the start flag";
    EXPECT_EQ(exit.nExitCode, kEngineCompleted);
    EXPECT_TRUE(Exists(output)) << "an empty timeline still gives a file of the minimum length";
}

TEST(ConversionDriver, AnOutputThatCannotBeWrittenEndsTheJobAtOnce)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string output = driver.ProgramPath("no such folder/out.mp4");
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(64, 48)));

    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit)) << "no endless position 0";
    EXPECT_EQ(exit.nExitCode, kEngineFailed);
    EXPECT_EQ(driver.Block()->nState, kStateIdle);
    EXPECT_EQ(driver.Block()->bEngineClosed, 1);
    EXPECT_EQ(driver.Block()->bGraphRunning, 0);
    EXPECT_FALSE(Exists(output));
}

TEST(ConversionDriver, AnImpossibleOutputTypeFailsWithoutAFile)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    tagQVOutputSettings settings = Mp4Settings(64, 48);
    settings.nOutputFormat = 99;
    std::string output = driver.ProgramPath("typed.mp4");
    ASSERT_TRUE(driver.StartConversion(output, settings));

    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit));
    EXPECT_EQ(exit.nExitCode, kEngineFailed);
    EXPECT_FALSE(Exists(output));
}

TEST(ConversionDriver, StateZeroFromTheFrontEndStopsThePositionUpdates)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string source = test::MediaPath(test::EMedia::H264);
    // A long timeline: the source's last picture holds to the end of a 120 s item.
    tagQVJobRow row;
    row.source = source;
    row.dDuration = 120.0;
    row.dEndTime = 120.0;
    row.nVideoWidth = 160;
    row.nVideoHeight = 120;
    ASSERT_TRUE(
        WriteProjectFile(BuildJobProject(row, 1), 5, driver.ProgramPath("tmp/qvengine.qvprj")));
    std::string output = driver.ProgramPath("long.mp4");
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(320, 240)));

    double frozen = -1.0;
    bool changedAfterStop = false;
    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs * 3, &exit, 20,
                                   [&](SharedControlBlock& block)
                                   {
                                       if (frozen < 0.0 && block.dPosition > 0.0)
                                       {
                                           block.nState = kStateIdle;
                                           frozen = block.dPosition;
                                       }
                                       else if (frozen >= 0.0 && block.dPosition != frozen &&
                                                block.dPosition != 120.0)
                                           changedAfterStop = true;
                                   }));
    ASSERT_GE(frozen, 0.0) << "a position update arrived";
    EXPECT_FALSE(changedAfterStop);
    EXPECT_EQ(exit.nExitCode, kEngineCompleted) << "the graph runs on to its end";
    EXPECT_DOUBLE_EQ(driver.Block()->dPosition, 120.0);
}

TEST(ConversionDriver, ASourcePathWithSpacesQuotesAndAccentsIsFound)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string source = driver.ProgramPath("vidéo \"q\" & 1.mp4");
    ASSERT_TRUE(test::CopyFile(test::MediaPath(test::EMedia::H264), source, false));
    std::string project = JobProject(driver, source, 0.0, 1.0, 5);
    ASSERT_FALSE(project.empty());
    std::string output = driver.ProgramPath("out.mp4");
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(160, 120), project));
    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit));
    EXPECT_EQ(exit.nExitCode, kEngineCompleted) << "the source was opened";
    EXPECT_DOUBLE_EQ(driver.Block()->dPosition, 1.0);
}

TEST(ConversionDriver, AMalformedProjectRunsOnAnEmptyTimeline)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(driver.CreateBlock());
    std::string output = driver.ProgramPath("empty.mp4");
    ASSERT_TRUE(driver.StartConversion(output, Mp4Settings(64, 48),
                                       "<project vensettingIndex=\"5\"><line><item"));
    tagQVProcessExit exit;
    ASSERT_TRUE(driver.Launch());
    ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit));
    EXPECT_EQ(exit.nExitCode, kEngineCompleted);
    test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    EXPECT_NEAR(probe.dDuration, 0.5, 0.1) << "the shortest file: half a second of black";
}

// Stopping a render ends the engine process; its half-written file stays hidden until the
// next conversion into the folder removes it.
TEST(ConversionDriver, AStoppedRenderLeavesNothingAfterTheNextOne)
{
    std::string folder;
    test::CQVTestFolder outputs;
    {
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        ASSERT_TRUE(driver.CreateBlock());
        tagQVJobRow row;
        row.source = test::MediaPath(test::EMedia::H264);
        row.dDuration = row.dEndTime = 120.0;
        row.nVideoWidth = 160;
        row.nVideoHeight = 120;
        ASSERT_TRUE(
            WriteProjectFile(BuildJobProject(row, 1), 5, driver.ProgramPath("tmp/qvengine.qvprj")));
        ASSERT_TRUE(driver.StartConversion(outputs / "stopped.mp4", Mp4Settings(320, 240)));
        tagQVProcessExit exit;
        ASSERT_TRUE(driver.Launch());
        ASSERT_TRUE(driver.WaitForExit(kTimeoutMs, &exit, 20,
                                       [&](SharedControlBlock& block)
                                       {
                                           if (block.dPosition > 0.0)
                                               TerminateProcess(driver.EnginePid());
                                       }));
        EXPECT_FALSE(exit.bExited) << "the engine was ended, it did not finish";
    }
    std::vector<std::string> left = test::ListFiles(outputs.Path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".vantrel-", 0), 0u) << left[0];

    CQVEngineDriver next;
    ASSERT_TRUE(next.Ready());
    ASSERT_TRUE(next.CreateBlock());
    ASSERT_TRUE(next.StartConversion(outputs / "next.mp4", Mp4Settings(64, 48)));
    tagQVProcessExit exit;
    ASSERT_TRUE(next.Launch());
    ASSERT_TRUE(next.WaitForExit(kTimeoutMs, &exit));
    EXPECT_EQ(exit.nExitCode, kEngineCompleted);
    EXPECT_EQ(test::ListFiles(outputs.Path()), std::vector<std::string>{"next.mp4"});
}
