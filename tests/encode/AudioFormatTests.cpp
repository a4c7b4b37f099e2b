// Audio fields of the record reach each encoder as something it takes: 0 means the
// default, anything else the nearest the encoder accepts, never a failed conversion.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "encode/CQVMediaEventQueue.h"
#include "encode/EncoderMapping.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

namespace qv::test
{
namespace
{

tagQVAudioFormat Choose(int32_t nType, int32_t nRate, int32_t nKbps, int32_t nChannels,
                        int32_t nFlag = 0)
{
    tagQVOutputSettings record = TestRecord(nType);
    record.nAudioSampleRate = nRate;
    record.nAudioBitrate = nKbps;
    record.nAudioChannels = nChannels;
    record.nReserved80 = nFlag;
    tagQVEncodeSettings settings;
    EXPECT_EQ(DeriveEncodeSettings(&record, {}, 1.0, 30.0, &settings), 0);
    return ChooseAudioFormat(settings,
                             avcodec_find_encoder_by_name(AudioEncoderName(settings.eAudioCodec)));
}

TEST(AudioFormat, ZeroFieldsMeanTheDefaults)
{
    const tagQVAudioFormat aac = Choose(0, 0, 0, 1);
    EXPECT_EQ(aac.nSampleRate, 44100);
    EXPECT_EQ(aac.nBitRate, 128000);
    EXPECT_EQ(Choose(0, 0, 0, 0).nBitRate, 64000);
    EXPECT_EQ(Choose(0, 0, 0, 2, 1).nBitRate, 320000);
    const tagQVAudioFormat ac3 = Choose(4, 0, 0, 1);
    EXPECT_EQ(ac3.nSampleRate, 48000);
    EXPECT_EQ(ac3.nBitRate, 192000);
    EXPECT_EQ(Choose(5, 0, 0, 1).nBitRate, 448000);
    EXPECT_EQ(Choose(3, 0, 0, 1).nBitRate, 128000);
    EXPECT_EQ(Choose(7, 0, 0, 0).nBitRate, 64000);
}

TEST(AudioFormat, RatesAndBitratesBecomeTheNearestTheEncoderTakes)
{
    EXPECT_EQ(Choose(4, 22050, 0, 1).nSampleRate, 32000);
    EXPECT_EQ(Choose(0, 100000, 0, 1).nSampleRate, 96000);
    EXPECT_EQ(Choose(0, 1, 0, 1).nSampleRate, 7350);
    EXPECT_EQ(Choose(3, 50000, 0, 1).nSampleRate, 48000);
    EXPECT_EQ(Choose(7, 96000, 0, 1).nSampleRate, 48000);
    EXPECT_EQ(Choose(4, 0, 1, 1).nBitRate, 32000);
    EXPECT_EQ(Choose(4, 0, 150, 1).nBitRate, 160000);
    EXPECT_EQ(Choose(5, 0, 32, 1).nBitRate, 128000);
    EXPECT_EQ(Choose(3, 0, 1000, 1).nBitRate, 320000);
    EXPECT_EQ(Choose(3, 8000, 1000, 1).nBitRate, 160000);
    EXPECT_EQ(Choose(7, 0, 8, 1).nBitRate, 24000);
}

struct tagQVAudioCase
{
    int32_t nType;
    int32_t nRate;
    int32_t nKbps;
    int32_t nChannels;
    int32_t nFlag;
};

class AudioExtremesTest : public ::testing::TestWithParam<tagQVAudioCase>
{
};

// Full-scale noise at the lowest and highest values the record can hold.
TEST_P(AudioExtremesTest, EncodesWithoutFailure)
{
    const tagQVAudioCase& c = GetParam();
    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(c.nType, 64, 48);
    record.nAudioSampleRate = c.nRate;
    record.nAudioBitrate = c.nKbps;
    record.nAudioChannels = c.nChannels;
    record.nReserved80 = c.nFlag;
    const std::string path = folder / "audio.out";
    const tagQVConversionResult result =
        Convert(path, &record, 0.5, CQVPatternCallback::EPattern::Quadrants, {}, true);
    ASSERT_EQ(result.nBuildResult, 0);
    ASSERT_EQ(result.nEventCode, kQVEventComplete) << result.nEventParam;
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, &errors)) << errors;
}

const tagQVAudioCase kExtremes[] = {
    {0, 1, 1, 7, 1},           {0, 200000, 100000, 7, 0}, {0, -5, -5, 1, 0},
    {3, 1, 1, 0, 0},           {3, 200000, 100000, 7, 0}, {4, 1, 1, 7, 0},
    {4, 96000, 100000, 0, 0},  {5, 8000, 1, 1, 0},        {7, 1, 1, 0, 0},
    {8, 200000, 100000, 7, 0}, {9, 11025, 1, 1, 0},       {11, 22050, 1, 0, 0},
    {12, 8000, 1, 7, 1},       {13, 96000, 100000, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Extremes, AudioExtremesTest, ::testing::ValuesIn(kExtremes));

TEST(AudioFormat, ChannelLayoutsAndRatesReachTheFile)
{
    struct
    {
        int32_t nType, nRate, nChannels, nFlag;
        int nExpectedChannels, nExpectedRate;
    } const cases[] = {
        {0, 0, 2, 1, 6, 44100},     // AAC multichannel with LFE
        {0, 48000, 2, 0, 5, 48000}, // AAC multichannel without
        {3, 22050, 1, 0, 2, 22050}, // MPEG audio stereo
        {4, 22050, 1, 0, 2, 32000}, // AC3 stereo, nearest AC3 rate
        {13, 0, 5, 0, 2, 44100},    // MPEG audio has no multichannel
    };
    for (const auto& c : cases)
    {
        CQVTestFolder folder;
        tagQVOutputSettings record = TestRecord(c.nType, 64, 48);
        record.nAudioSampleRate = c.nRate;
        record.nAudioChannels = c.nChannels;
        record.nReserved80 = c.nFlag;
        const std::string path = folder / "layout.out";
        ASSERT_EQ(Convert(path, &record, 0.5).nEventCode, kQVEventComplete) << c.nType;
        const tagQVProbe probe = ProbeFile(path);
        ASSERT_NE(probe.Find("audio"), nullptr) << c.nType;
        EXPECT_EQ(probe.Find("audio")->channels, c.nExpectedChannels) << c.nType;
        EXPECT_EQ(probe.Find("audio")->sampleRate, c.nExpectedRate) << c.nType;
    }
}

} // namespace
} // namespace qv::test
