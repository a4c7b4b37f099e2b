// Every output type end to end: the written file as ffprobe and ffmpeg see it.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "encode/CQVMediaEventQueue.h"
#include "encode/CQVVideoConverter.h"
#include "encode/EncodeSettings.h"
#include "tests/support/TestFolder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qv::test
{
namespace
{

struct tagQVExpected
{
    int32_t nType;
    const char* pszFormat; // ffprobe's format_name
    const char* pszVideo;
    const char* pszAudio;
    int nChannels; // with the audio fields left at 0: mono, 5.1 for the AC3 5.1 types
    int nSampleRate;
};

const tagQVExpected kExpected[] = {
    {0, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 1, 44100},
    {1, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 1, 44100},
    {2, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 1, 44100},
    {3, "avi", "mpeg4", "mp3", 1, 44100},
    {4, "avi", "mpeg4", "ac3", 1, 48000},
    {5, "avi", "mpeg4", "ac3", 6, 48000},
    {6, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", 1, 44100},
    {7, "asf", "wmv2", "wmav2", 1, 44100},
    {8, "asf", "wmv2", "wmav2", 1, 44100},
    {9, "mpeg", "mpeg1video", "mp3", 1, 44100},
    {10, "mpeg", "mpeg2video", "ac3", 1, 48000},
    {11, "mpeg", "mpeg2video", "ac3", 6, 48000},
    {12, "flv", "h264", "aac", 1, 44100},
    {13, "matroska,webm", "h264", "mp3", 1, 44100},
};

class OutputTypeTest : public ::testing::TestWithParam<tagQVExpected>
{
};

// Colour of the decoded picture at (x, y), y from the top.
void ExpectColour(const std::vector<uint8_t>& pixels, int nWidth, int x, int y, int b, int g, int r,
                  const char* pszWhat)
{
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * nWidth + x) * 4];
    EXPECT_NEAR(p[0], b, 40) << pszWhat;
    EXPECT_NEAR(p[1], g, 40) << pszWhat;
    EXPECT_NEAR(p[2], r, 40) << pszWhat;
}

TEST_P(OutputTypeTest, WritesTheContainerCodecsSizeRateAndDuration)
{
    const tagQVExpected& expected = GetParam();
    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(expected.nType);
    tagQVEncodeSettings settings;
    ASSERT_EQ(DeriveEncodeSettings(&record, {}, 1.0, 30.0, &settings), 0);
    const std::string path = folder / (std::string("out") + settings.pszExtension);

    const tagQVConversionResult result = Convert(path, &record, 1.0);
    ASSERT_EQ(result.nBuildResult, 0);
    ASSERT_EQ(result.nEventCode, kQVEventComplete) << result.nEventParam;
    EXPECT_EQ(result.nDeliveredFrames, 30);
    EXPECT_EQ(CountTemporaryFiles(folder.Path()), 0);

    const tagQVProbe probe = ProbeFile(path);
    ASSERT_TRUE(probe.bOk);
    EXPECT_EQ(probe.formatName, expected.pszFormat);
    ASSERT_EQ(probe.streams.size(), 2u);
    const tagQVProbeStream* pVideo = probe.Find("video");
    const tagQVProbeStream* pAudio = probe.Find("audio");
    ASSERT_NE(pVideo, nullptr);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(pVideo->codecName, expected.pszVideo);
    EXPECT_EQ(pAudio->codecName, expected.pszAudio);
    EXPECT_EQ(pVideo->width, 160);
    EXPECT_EQ(pVideo->height, 120);
    EXPECT_EQ(pVideo->rFrameRate, "30/1");
    EXPECT_EQ(pVideo->readFrames, 30);
    EXPECT_NEAR(probe.dDuration, 1.0, 0.1);
    EXPECT_EQ(pAudio->channels, expected.nChannels);
    EXPECT_EQ(pAudio->sampleRate, expected.nSampleRate);
    // Matroska and ASF carry video first, the others audio first.
    EXPECT_EQ(probe.Index("video"), settings.bVideoFirst ? 0 : 1);

    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, &errors)) << errors;

    // The picture arrives right side up with its colours in place, the overlay drawn
    // through the graphics object included.
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(DecodeFrameBgra(path, 15, 160, 120, &pixels));
    ExpectColour(pixels, 160, 60, 45, 0, 0, 255, "top left red");
    ExpectColour(pixels, 160, 120, 30, 0, 255, 0, "top right green");
    ExpectColour(pixels, 160, 40, 90, 255, 0, 0, "bottom left blue");
    ExpectColour(pixels, 160, 120, 90, 255, 255, 255, "bottom right white");
    ExpectColour(pixels, 160, 30, 22, 0, 255, 255, "overlay yellow");

    // A 440 Hz tone at half scale has a mean volume of about -9 dB, also after the mono
    // downmix; the extra channels of a multichannel layout stay silent.
    const double dExpectedDb = expected.nChannels <= 2 ? -9.0 : -9.0 + 10.0 * std::log10(2.0 / 6.0);
    EXPECT_NEAR(MeanVolumeDb(path), dExpectedDb, 1.5);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, OutputTypeTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<tagQVExpected>& info)
                         { return "Type" + std::to_string(info.param.nType); });

TEST(OutputTypes, ShortProjectLastsTheMinimumHalfSecond)
{
    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(0);
    const std::string path = folder / "short.mp4";
    const tagQVConversionResult result = Convert(path, &record, 0.2);
    ASSERT_EQ(result.nEventCode, kQVEventComplete);
    const tagQVProbe probe = ProbeFile(path);
    ASSERT_NE(probe.Find("video"), nullptr);
    EXPECT_EQ(probe.Find("video")->readFrames, 15);
    EXPECT_NEAR(probe.dDuration, 0.5, 0.1);
}

TEST(OutputTypes, WithoutCallbacksTheFileIsBlackAndSilent)
{
    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(3);
    tagQVConverterSetup setup;
    setup.pSettings = &record;
    setup.dDuration = 0.5;
    CQVVideoConverter converter(setup);
    const std::string path = folder / "plain.avi";
    ASSERT_EQ(converter.BuildConversionGraph(path), 0);
    int32_t nCode = 0;
    intptr_t nParam1 = 0, nParam2 = 0;
    ASSERT_EQ(converter.GetMediaEvent()->GetEvent(&nCode, &nParam1, &nParam2, 60000), 0);
    EXPECT_EQ(nCode, kQVEventComplete);
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(DecodeFrameBgra(path, 5, 160, 120, &pixels));
    ExpectColour(pixels, 160, 80, 60, 0, 0, 0, "black");
    EXPECT_LT(MeanVolumeDb(path), -80.0);
}

} // namespace
} // namespace qv::test
