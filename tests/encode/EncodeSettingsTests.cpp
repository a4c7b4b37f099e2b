// The output-type rules: rates, write-backs, H.264 profile and frame structure choices.
#include "ConversionHelpers.h"

#include "encode/EncodeSettings.h"
#include "encode/EncoderMapping.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qv::test
{
namespace
{

tagQVEncodeSettings Derive(tagQVOutputSettings* pRecord, const tagQVH264Settings& h264 = {},
                           double dDuration = 1.0)
{
    tagQVEncodeSettings settings;
    EXPECT_EQ(DeriveEncodeSettings(pRecord, h264, dDuration, 30.0, &settings), 0);
    return settings;
}

TEST(EncodeSettings, SizePrioritySpendsTheTargetOverTheDuration)
{
    EXPECT_EQ(SizePriorityBitrate(100, 60.0), 13975552);
    tagQVOutputSettings record = TestRecord(0);
    record.nSizeMode = 0;
    record.nFileSizeMB = 100;
    const tagQVEncodeSettings settings = Derive(&record, {}, 60.0);
    EXPECT_EQ(settings.eRateMode, EQVRateMode::Bitrate);
    EXPECT_EQ(settings.nVideoBitrate, 13975552);
}

TEST(EncodeSettings, NegativeTargetSizeBecomesOneAndIsWrittenBack)
{
    tagQVOutputSettings record = TestRecord(0);
    record.nSizeMode = 0;
    record.nFileSizeMB = -7;
    const tagQVEncodeSettings settings = Derive(&record, {}, 2.0);
    EXPECT_EQ(record.nFileSizeMB, 1);
    EXPECT_EQ(settings.nVideoBitrate, 512 * 8192);
}

TEST(EncodeSettings, BitratePriorityTakesKilobitsAndQualityPassesTheFactor)
{
    tagQVOutputSettings record = TestRecord(0);
    record.nSizeMode = 1;
    record.nVideoBitrate = 2500;
    EXPECT_EQ(Derive(&record).nVideoBitrate, 2500000);
    record.nVideoBitrate = 2000000000; // no overflow in bit/s
    EXPECT_EQ(Derive(&record).nVideoBitrate, 2000000000000LL);
    record.nSizeMode = 2;
    record.nQuality = 33;
    const tagQVEncodeSettings settings = Derive(&record);
    EXPECT_EQ(settings.eRateMode, EQVRateMode::Quality);
    EXPECT_EQ(settings.nQuality, 33);
}

TEST(EncodeSettings, QuantiserCodecsClampTheQualityAndWriteItBack)
{
    for (int32_t nType : {3, 4, 5, 9, 10, 11})
    {
        tagQVOutputSettings record = TestRecord(nType);
        record.nQuality = 0;
        EXPECT_EQ(Derive(&record).nQuality, 1) << nType;
        EXPECT_EQ(record.nQuality, 1) << nType;
        record.nQuality = 40;
        EXPECT_EQ(Derive(&record).nQuality, 31) << nType;
        EXPECT_EQ(record.nQuality, 31) << nType;
    }
    // H.264 takes the factor unchanged, and so does the record.
    tagQVOutputSettings record = TestRecord(0);
    record.nQuality = 0;
    EXPECT_EQ(Derive(&record).nQuality, 0);
    record.nQuality = 40;
    EXPECT_EQ(Derive(&record).nQuality, 40);
    EXPECT_EQ(record.nQuality, 40);
}

TEST(EncodeSettings, ProfileValueNeedsMainAndAtLeast960By720)
{
    EXPECT_TRUE(IsHdOutput(960, 720));
    EXPECT_FALSE(IsHdOutput(959, 720));
    EXPECT_FALSE(IsHdOutput(960, 719));
    EXPECT_EQ(H264ProfileValue(0, 0, 960, 720), 1);
    EXPECT_EQ(H264ProfileValue(0, 0, 959, 720), 6);
    EXPECT_EQ(H264ProfileValue(6, 0, 960, 719), 6);
    EXPECT_EQ(H264ProfileValue(6, 1, 1920, 1080), 6);
    EXPECT_EQ(H264ProfileValue(12, 0, 1280, 720), 2);
    EXPECT_EQ(H264ProfileValue(12, 0, 640, 480), 7);
    EXPECT_EQ(H264ProfileValue(1, 0, 1920, 1080), 4);
    EXPECT_EQ(H264ProfileValue(2, 0, 1920, 1080), 5);
    EXPECT_EQ(H264ProfileValue(13, 1, 160, 120), 1);
    EXPECT_EQ(H264ProfileValue(3, 0, 1920, 1080), 0);
}

TEST(EncodeSettings, PFramesAreClampedAndBFramesReachOnlyThreeTypes)
{
    tagQVOutputSettings record = TestRecord(0);
    tagQVH264Settings h264;
    h264.nPFrameIndex = -5;
    EXPECT_EQ(Derive(&record, h264).nPFrames, 1);
    h264.nPFrameIndex = 20;
    EXPECT_EQ(Derive(&record, h264).nPFrames, 7);
    h264.nPFrameIndex = 2;
    EXPECT_EQ(Derive(&record, h264).nPFrames, 3);

    h264.nBFrameIndex = 2;
    for (int32_t nType = 0; nType < kOutputTypeCount; ++nType)
    {
        record.nOutputFormat = nType;
        const tagQVEncodeSettings settings = Derive(&record, h264);
        const bool bGiven = nType == 0 || nType == 6 || nType == 12;
        EXPECT_EQ(settings.bBFramesGiven, bGiven) << nType;
        EXPECT_EQ(settings.nBFrames, bGiven ? 2 : 0) << nType;
    }
    // "No selection" is passed on as it is; the encoder mapping decides what it means.
    record.nOutputFormat = 0;
    h264.nBFrameIndex = -1;
    EXPECT_EQ(Derive(&record, h264).nBFrames, -1);
}

TEST(EncodeSettings, ChannelModesFollowTheAudioEncoder)
{
    tagQVOutputSettings record = TestRecord(0);
    record.nAudioChannels = 5;
    tagQVEncodeSettings settings = Derive(&record);
    EXPECT_EQ(settings.eChannelMode, EQVChannelMode::Multichannel);
    EXPECT_FALSE(settings.bLowFrequencyChannel);
    record.nReserved80 = 1;
    EXPECT_TRUE(Derive(&record).bLowFrequencyChannel);

    // The AC3 5.1 types are six channels whatever the record says.
    for (int32_t nType : {5, 11})
    {
        tagQVOutputSettings ac3 = TestRecord(nType);
        ac3.nAudioChannels = 0;
        settings = Derive(&ac3);
        EXPECT_EQ(settings.eChannelMode, EQVChannelMode::Multichannel);
        EXPECT_TRUE(settings.bLowFrequencyChannel);
    }
    tagQVOutputSettings ac3 = TestRecord(4);
    ac3.nAudioChannels = 2;
    EXPECT_FALSE(Derive(&ac3).bLowFrequencyChannel);

    // MPEG audio knows mono and stereo only.
    tagQVOutputSettings mp3 = TestRecord(3);
    mp3.nAudioChannels = 2;
    EXPECT_EQ(Derive(&mp3).eChannelMode, EQVChannelMode::Stereo);
    mp3.nAudioChannels = 0;
    EXPECT_EQ(Derive(&mp3).eChannelMode, EQVChannelMode::Mono);
}

TEST(EncodeSettings, BadTypeOrDurationDerivesNothing)
{
    tagQVEncodeSettings settings;
    for (int32_t nType : {-1, kOutputTypeCount, 1000})
    {
        tagQVOutputSettings record = TestRecord(nType);
        record.nQuality = 40;
        EXPECT_EQ(DeriveEncodeSettings(&record, {}, 1.0, 30.0, &settings), -1);
        EXPECT_EQ(record.nQuality, 40);
    }
    tagQVOutputSettings record = TestRecord(0);
    EXPECT_EQ(DeriveEncodeSettings(&record, {}, 0.0, 30.0, &settings), -1);
    EXPECT_EQ(DeriveEncodeSettings(&record, {}, std::nan(""), 30.0, &settings), -1);
    EXPECT_EQ(DeriveEncodeSettings(nullptr, {}, 1.0, 30.0, &settings), -1);
}

TEST(EncoderMapping, FrameStructureFollowsTheProfile)
{
    tagQVOutputSettings record = TestRecord(0, 960, 720);
    tagQVH264Settings h264; // 7 P frames, 1 B frame
    tagQVEncodeSettings settings = Derive(&record, h264);
    EXPECT_STREQ(H264ProfileName(settings), "main");
    EXPECT_EQ(VideoFrameStructure(settings).nGopFrames, 15);
    EXPECT_EQ(VideoFrameStructure(settings).nBFrames, 1);

    // Baseline has no B frames: I and 7 P frames.
    record.nWidth = 956;
    settings = Derive(&record, h264);
    EXPECT_STREQ(H264ProfileName(settings), "baseline");
    EXPECT_EQ(VideoFrameStructure(settings).nGopFrames, 8);
    EXPECT_EQ(VideoFrameStructure(settings).nBFrames, 0);

    // "No selection" means none; absurd counts stop at the encoder's limit.
    record.nWidth = 960;
    h264.nBFrameIndex = -1;
    EXPECT_EQ(VideoFrameStructure(Derive(&record, h264)).nBFrames, 0);
    h264.nBFrameIndex = 1000;
    EXPECT_EQ(VideoFrameStructure(Derive(&record, h264)).nBFrames, 16);
}

// One quality factor means one picture on every type, so a higher factor never gives a
// lower CRF, and factors outside 1..51 stay on the encoder's own scale.
TEST(EncoderMapping, NewerEncodersCrfGrowsWithTheFactorWithinTheirScale)
{
    const struct
    {
        EQVVideoCodec eCodec;
        int32_t nMaxCrf;
    } kScales[] = {{EQVVideoCodec::H265, 51}, {EQVVideoCodec::Av1, 63}, {EQVVideoCodec::Vp9, 63}};
    for (const auto& scale : kScales)
    {
        SCOPED_TRACE(static_cast<int>(scale.eCodec));
        EXPECT_EQ(ModernCrf(scale.eCodec, -5), 1);
        EXPECT_EQ(ModernCrf(scale.eCodec, 99), scale.nMaxCrf);
        int32_t nPrevious = ModernCrf(scale.eCodec, 1);
        EXPECT_EQ(nPrevious, 1);
        for (int32_t nFactor = 2; nFactor <= 51; ++nFactor)
        {
            const int32_t nCrf = ModernCrf(scale.eCodec, nFactor);
            EXPECT_GE(nCrf, nPrevious) << nFactor;
            nPrevious = nCrf;
        }
        EXPECT_EQ(nPrevious, scale.nMaxCrf);
    }
}

TEST(EncodeSettings, MpegVideoTakesTheNearestRateItsFrameRateCodeKnows)
{
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputMpeg1, 15.0), 24000.0 / 1001.0);
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputMpeg2, 29.0), 30000.0 / 1001.0);
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputMpeg2Surround, 48.0), 50.0);
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputMpeg1, 30.0), 30.0);
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputMp4, 15.0), 15.0) << "H.264 takes any rate";
    EXPECT_DOUBLE_EQ(EncoderFrameRate(kOutputAviMp3, 12.5), 12.5);
}

} // namespace
} // namespace qv::test
