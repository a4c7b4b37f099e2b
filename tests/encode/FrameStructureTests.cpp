// What the encoder settings do to the written streams: H.264 profile, picture-type
// pattern, bitrate in bitrate and size priority, and size ordering in quality priority.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "encode/CQVMediaEventQueue.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

namespace qv::test
{
namespace
{

std::string Repeat(const std::string& pattern, size_t nLength)
{
    std::string out;
    while (out.size() < nLength)
        out += pattern;
    return out.substr(0, nLength);
}

// Converts and returns the picture types; the profile goes to *pProfile.
std::string Structure(tagQVOutputSettings record, const tagQVH264Settings& h264, double dDuration,
                      std::string* pProfile = nullptr)
{
    CQVTestFolder folder;
    const std::string path = folder / "structure.out";
    const tagQVConversionResult result =
        Convert(path, &record, dDuration, CQVPatternCallback::EPattern::Quadrants, h264);
    EXPECT_EQ(result.nEventCode, kQVEventComplete);
    if (pProfile != nullptr)
    {
        const tagQVProbe probe = ProbeFile(path);
        *pProfile = probe.Find("video") != nullptr ? probe.Find("video")->profile : "";
    }
    return FrameTypes(path);
}

TEST(FrameStructure, MainProfileOnlyForHdWithTheMainChoice)
{
    tagQVH264Settings h264;
    std::string profile;
    Structure(TestRecord(0, 960, 720), h264, 0.5, &profile);
    EXPECT_EQ(profile, "Main");
    Structure(TestRecord(0, 956, 720), h264, 0.5, &profile);
    EXPECT_EQ(profile, "Constrained Baseline");
    h264.nProfileIndex = 1;
    Structure(TestRecord(12, 960, 720), h264, 0.5, &profile);
    EXPECT_EQ(profile, "Constrained Baseline");
    // Matroska is always Main, the device variants of MP4 always Baseline.
    Structure(TestRecord(13, 160, 120), h264, 0.5, &profile);
    EXPECT_EQ(profile, "Main");
    h264.nProfileIndex = 0;
    Structure(TestRecord(1, 960, 720), h264, 0.5, &profile);
    EXPECT_EQ(profile, "Constrained Baseline");
}

TEST(FrameStructure, PAndBChoicesShapeTheH264Pattern)
{
    tagQVH264Settings h264; // 7 P frames, 1 B frame
    EXPECT_EQ(Structure(TestRecord(0, 960, 720), h264, 1.0), Repeat("IBPBPBPBPBPBPBP", 30));
    h264.nPFrameIndex = 2; // 3 P frames
    h264.nBFrameIndex = 2;
    EXPECT_EQ(Structure(TestRecord(0, 960, 720), h264, 1.0), Repeat("IBBPBBPBBP", 30));
    // Baseline drops the B frames; an index beyond the list still means 7 P frames.
    h264.nPFrameIndex = 20;
    EXPECT_EQ(Structure(TestRecord(0, 160, 120), h264, 1.0), Repeat("IPPPPPPP", 30));
    // Matroska is Main but is not given the B choice.
    h264.nPFrameIndex = -5;
    EXPECT_EQ(Structure(TestRecord(13, 160, 120), h264, 1.0), Repeat("IP", 30));
}

TEST(FrameStructure, MpegCodecsUseTheirFixedPatterns)
{
    EXPECT_EQ(Structure(TestRecord(3), {}, 1.0), Repeat("IPPPPPPPPPPP", 30));
    const std::string mpeg2 = Structure(TestRecord(10), {}, 1.0);
    // A closed GOP ends on a P frame, so the last pictures of the stream may differ.
    EXPECT_EQ(mpeg2.substr(0, 26), Repeat("IBBPBBPBBPBBP", 26));
    EXPECT_EQ(mpeg2.size(), 30u);
}

class BitrateTest : public ::testing::TestWithParam<int32_t>
{
};

TEST_P(BitrateTest, BitratePriorityHitsTheRate)
{
    tagQVOutputSettings record = TestRecord(GetParam(), 320, 240);
    record.nSizeMode = 1;
    record.nVideoBitrate = 800;
    CQVTestFolder folder;
    const std::string path = folder / "rate.out";
    ASSERT_EQ(Convert(path, &record, 2.0, CQVPatternCallback::EPattern::Moving).nEventCode,
              kQVEventComplete);
    int64_t nBytes = 0;
    double dSeconds = 0.0;
    ASSERT_TRUE(VideoPacketStats(path, &nBytes, &dSeconds));
    EXPECT_NEAR(nBytes * 8.0 / 2.0, 800000.0, 800000.0 * 0.2);
}

INSTANTIATE_TEST_SUITE_P(Codecs, BitrateTest, ::testing::Values(0, 3, 9, 11));

TEST(FrameStructure, SizePriorityHitsTheTargetSize)
{
    tagQVOutputSettings record = TestRecord(0, 320, 240);
    record.nSizeMode = 0;
    record.nFileSizeMB = 1; // floor(1024 / 2) x 8192 bit/s over 2 s: 1 MiB
    CQVTestFolder folder;
    const std::string path = folder / "size.mp4";
    ASSERT_EQ(Convert(path, &record, 2.0, CQVPatternCallback::EPattern::Moving).nEventCode,
              kQVEventComplete);
    int64_t nBytes = 0;
    double dSeconds = 0.0;
    ASSERT_TRUE(VideoPacketStats(path, &nBytes, &dSeconds));
    EXPECT_NEAR(static_cast<double>(nBytes), 1048576.0, 1048576.0 * 0.2);
}

TEST(FrameStructure, BetterQualityGivesLargerFiles)
{
    struct
    {
        int32_t nType, nFine, nCoarse;
    } const cases[] = {{0, 20, 40}, {3, 2, 20}, {10, 2, 20}, {7, 2, 20}};
    for (const auto& c : cases)
    {
        int64_t nSizes[2] = {0, 0};
        for (int i = 0; i < 2; ++i)
        {
            tagQVOutputSettings record = TestRecord(c.nType);
            record.nQuality = i == 0 ? c.nFine : c.nCoarse;
            CQVTestFolder folder;
            const std::string path = folder / "quality.out";
            ASSERT_EQ(Convert(path, &record, 1.0, CQVPatternCallback::EPattern::Moving).nEventCode,
                      kQVEventComplete);
            double dSeconds = 0.0;
            ASSERT_TRUE(VideoPacketStats(path, &nSizes[i], &dSeconds));
        }
        EXPECT_GT(nSizes[0], nSizes[1] * 2) << c.nType << ": " << nSizes[0] << " / " << nSizes[1];
    }
}

} // namespace
} // namespace qv::test
