// Conversions at an output frame rate of the record's choosing: at the source's own rate
// every source picture comes out exactly once, a variable-rate source gets the listed rate
// nearest its average, and the fixed 30 fps mode stays as it was (its timing is checked
// by EndToEndConversionTests).
#include "probe/MediaInfoProbe.h"
#include "project/FrontEndProject.h"
#include "project/OutputFrameRate.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace qv;
using qv::test::CQVEngineDriver;
using qv::test::ENumberedContainer;

namespace
{

constexpr int kTimeoutMs = 120000;
constexpr size_t kPictureBytes = 160 * 120 * 4;

tagQVOutputSettings Mp4Settings(int32_t nOutputFrameRate)
{
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = 160;
    settings.nHeight = 120;
    settings.nOutputFormat = 0;
    settings.nQuality = 12;
    settings.nOutputFrameRate = nOutputFrameRate;
    return settings;
}

// Converts the whole source, as the front-end's row for it would, into output.
bool ConvertWhole(CQVEngineDriver& driver, const std::string& source,
                  const tagQVOutputSettings& settings, const std::string& output)
{
    tagQVMediaInfo info;
    if (!ProbeMediaInfo(source, &info))
        return false;
    tagQVJobRow row;
    row.source = source;
    row.dDuration = info.dDuration;
    row.dEndTime = info.dDuration;
    row.nVideoWidth = info.nWidth;
    row.nVideoHeight = info.nHeight;
    if (!driver.CreateBlock() ||
        !WriteProjectFile(BuildJobProject(row, 1), 5, driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(output, settings) || !driver.Launch())
        return false;
    tagQVProcessExit exit;
    return driver.WaitForExit(kTimeoutMs, &exit) && exit.bExited &&
           exit.nExitCode == kEngineCompleted;
}

// The frame number of every picture of the file, in stored order.
std::vector<int> ShownNumbers(const std::string& path)
{
    std::string pictures;
    std::vector<int> shown;
    if (test::RunProgram("ffmpeg",
                         {"-nostdin", "-v", "error", "-i", path, "-fps_mode", "passthrough", "-f",
                          "rawvideo", "-pix_fmt", "bgra", "-"},
                         &pictures, nullptr) != 0)
        return shown;
    for (size_t n = 0; (n + 1) * kPictureBytes <= pictures.size(); ++n)
        shown.push_back(test::ReadFrameNumber(reinterpret_cast<const uint8_t*>(pictures.data()) +
                                                  n * kPictureBytes,
                                              160 * 4, 160, 120, false));
    return shown;
}

} // namespace

TEST(FrameRateConversion, AtTheSourcesOwnRateEveryPictureComesOutOnce)
{
    struct tagClip
    {
        ENumberedContainer eContainer;
        const char* szRate; // as ffprobe names it
        int nFrames;
        int32_t nOutputFrameRate;
    };
    // Matroska rounds every time to a whole millisecond.
    const tagClip kClips[] = {
        {ENumberedContainer::Mp4BFrames, "24000/1001", 96, kFrameRateSameAsSource},
        {ENumberedContainer::Matroska, "24000/1001", 96, 23976},
        {ENumberedContainer::Mp4BFrames, "25/1", 100, 25000},
        {ENumberedContainer::Mp4BFrames, "30000/1001", 120, kFrameRateSameAsSource},
        {ENumberedContainer::Matroska, "30000/1001", 120, 29970},
        {ENumberedContainer::Mp4BFrames, "50/1", 200, kFrameRateSameAsSource},
        {ENumberedContainer::Mp4BFrames, "60/1", 240, 60000},
    };
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    for (const tagClip& clip : kClips)
    {
        std::string rate = clip.szRate;
        if (rate.size() > 2 && rate.compare(rate.size() - 2, 2, "/1") == 0)
            rate.resize(rate.size() - 2);
        const std::string source = test::NumberedClipPath(clip.eContainer, rate, clip.nFrames);
        ASSERT_FALSE(source.empty()) << rate;
        const std::string output = driver.ProgramPath("own-rate.mp4");
        ASSERT_TRUE(ConvertWhole(driver, source, Mp4Settings(clip.nOutputFrameRate), output))
            << source;

        const test::tagQVProbe probe = test::ProbeFile(output);
        ASSERT_TRUE(probe.bOk && probe.Find("video")) << source;
        EXPECT_EQ(probe.Find("video")->rFrameRate, clip.szRate) << source;
        std::vector<int> expected(clip.nFrames);
        for (int k = 0; k < clip.nFrames; ++k)
            expected[k] = k;
        EXPECT_EQ(ShownNumbers(output), expected) << source << " as " << clip.nOutputFrameRate;
    }
}

// 30 pictures 1/30 s apart, then 30 pictures about 1/15 s apart: 60 pictures in 3 s, an
// average of about 20 per second against a declared 30. The nearest listed rate is
// 24000/1001; the length stays 3 s.
TEST(FrameRateConversion, AVariableRateSourceGetsTheListedRateNearestItsAverage)
{
    const std::string source = test::NumberedClipPath(ENumberedContainer::Mp4BFrames, "30", 60,
                                                      "if(lt(N,30),N/30,1+(N-30)/15)");
    ASSERT_FALSE(source.empty());
    tagQVMediaInfo info;
    ASSERT_TRUE(ProbeMediaInfo(source, &info));
    // The average FFmpeg reports leaves out the last picture's duration: 60 / 2.9.
    ASSERT_EQ(info.dFrameRate, 30.0);
    ASSERT_NEAR(info.dAverageFrameRate, 20.7, 0.1);

    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    const std::string output = driver.ProgramPath("variable.mp4");
    ASSERT_TRUE(ConvertWhole(driver, source, Mp4Settings(kFrameRateSameAsSource), output));
    const test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk && probe.Find("video"));
    EXPECT_EQ(probe.Find("video")->rFrameRate, "24000/1001");
    EXPECT_NEAR(probe.dDuration, info.dDuration, 1001.0 / 24000.0) << "within one picture";

    // The times of the source's pictures as the file stores them (the encoder rounds
    // some); picture n shows number n.
    std::string times;
    ASSERT_EQ(test::RunProgram("ffprobe",
                               {"-v", "error", "-select_streams", "v", "-show_entries",
                                "frame=pts_time", "-of", "csv=p=0", source},
                               &times, nullptr),
              0);
    std::vector<double> pictureTimes;
    for (const char* p = times.c_str(); *p != '\0';)
    {
        char* end = nullptr;
        const double d = std::strtod(p, &end);
        if (end == p)
            ++p;
        else
        {
            pictureTimes.push_back(d);
            p = end;
        }
    }
    ASSERT_EQ(pictureTimes.size(), 60u);

    // Output picture k stands at k × 1001 / 24000 s and shows the first source picture at
    // or after that time, as the walk finds it: up to 1 ms early, for containers that round
    // their times. Past the last picture the last one stays.
    std::vector<int> expected;
    for (int k = 0; k * 1001 < 3 * 24000; ++k)
    {
        const double t = k * 1001.0 / 24000.0 - 0.001;
        int n = 0;
        while (n < 59 && pictureTimes[n] < t)
            ++n;
        expected.push_back(n);
    }
    EXPECT_EQ(expected.size(), 72u) << "3 s at 24000/1001";
    EXPECT_EQ(ShownNumbers(output), expected);
}

// MPEG-1 knows only its eight rates: a 15 fps source at its own rate comes out at the
// nearest, 24000/1001, four seconds long, each picture the one its time names.
TEST(FrameRateConversion, MpegTakesTheNearestRateItAllows)
{
    const std::string source = test::NumberedClipPath(ENumberedContainer::Mp4BFrames, 15);
    ASSERT_FALSE(source.empty());
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    tagQVOutputSettings settings = Mp4Settings(kFrameRateSameAsSource);
    settings.nOutputFormat = 9;
    const std::string output = driver.ProgramPath("nearest.mpg");
    ASSERT_TRUE(ConvertWhole(driver, source, settings, output));
    const test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk && probe.Find("video"));
    EXPECT_EQ(probe.Find("video")->rFrameRate, "24000/1001");
    // Picture k shows the first source picture at or after k × 1001 / 24000 s.
    std::vector<int> expected;
    for (int k = 0; k < 96; ++k)
        expected.push_back(
            std::min(59, int(std::ceil((k * 1001.0 / 24000.0 - 0.001) * 15.0 - 1e-9))));
    EXPECT_EQ(ShownNumbers(output), expected) << "4 s at 24000/1001";
}
