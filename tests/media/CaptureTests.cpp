#include "media/CQVFFMpegCapture.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace qv::test
{
namespace
{

// The frame number of the capture's current picture, read from its converted image.
int PictureNumber(CQVFFMpegCaptureBase& capture)
{
    uint8_t* pData = nullptr;
    int nStride = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nBytes = 0;
    if (!capture.ConvertFrame(&pData, &nStride, &nWidth, &nHeight, &nBytes))
        return -2;
    return ReadFrameNumber(pData, nStride, nWidth, nHeight, capture.Flips());
}

// Reads forward with DecodeNextFrame until the picture shows nTarget; each step must move
// exactly one frame on. Returns false when the target is never reached.
bool DecodeForwardTo(CQVFFMpegCapture& capture, int nTarget)
{
    int nNumber = PictureNumber(capture);
    while (nNumber < nTarget)
    {
        if (!capture.DecodeNextFrame())
            return false;
        const int nNext = PictureNumber(capture);
        EXPECT_EQ(nNext, nNumber + 1);
        if (nNext != nNumber + 1)
            return false;
        nNumber = nNext;
    }
    return nNumber == nTarget;
}

TEST(CaptureTest, ReadNextFrameDeliversEveryPictureInOrderIncludingDelayedOnes)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    std::vector<int> numbers;
    while (capture.ReadNextFrame() && numbers.size() < 200)
        numbers.push_back(PictureNumber(capture));
    ASSERT_EQ(numbers.size(), 90u);
    for (int i = 0; i < 90; ++i)
        EXPECT_EQ(numbers[i], i);
    // After the end: false at once, and the last picture stays.
    EXPECT_FALSE(capture.ReadNextFrame());
    EXPECT_FALSE(capture.DecodeNextFrame());
    EXPECT_EQ(PictureNumber(capture), 89);
}

TEST(CaptureTest, DecodeNextFrameCountsPicturesAndLearnsTheFirstFrameIndex)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    EXPECT_EQ(capture.FirstFrameIndex(), -1);
    EXPECT_EQ(capture.CurrentFrameTimestamp(), AV_NOPTS_VALUE);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(capture.DecodeNextFrame());
    EXPECT_EQ(capture.FramesDecoded(), 5);
    EXPECT_EQ(capture.FirstFrameIndex(), 0);
    EXPECT_EQ(capture.PtsToFrameIndex(capture.CurrentFrameTimestamp()), 4);
    // ReadNextFrame moves on without counting.
    ASSERT_TRUE(capture.ReadNextFrame());
    EXPECT_EQ(capture.FramesDecoded(), 5);
    EXPECT_EQ(PictureNumber(capture), 5);
}

TEST(CaptureTest, TimeArithmeticFollowsTheStream)
{
    CQVFFMpegCapture h264(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(h264.Failed(), 0);
    EXPECT_NEAR(h264.GetDuration(), 3.0, 0.05);
    EXPECT_DOUBLE_EQ(h264.GetFrameRate(), 30.0);
    EXPECT_EQ(h264.GetFrameCount(), 90);
    const int64_t nOneSecond = std::llround(1.0 / h264.TimeBase());
    EXPECT_DOUBLE_EQ(h264.PtsToSeconds(nOneSecond), 1.0);
    EXPECT_EQ(h264.PtsToFrameIndex(nOneSecond), 30);
    EXPECT_EQ(h264.PtsToFrameIndex(AV_NOPTS_VALUE), -1);
    // Absurd timestamps give finite answers, not overflow.
    EXPECT_GT(h264.PtsToFrameIndex(INT64_MAX), 0);
    EXPECT_LT(h264.PtsToFrameIndex(INT64_MIN + 1), 0);

    // A program stream starts well after 0; its first picture is still at 0 s.
    CQVFFMpegCapture ps(MediaPath(EMedia::Mpeg2Ps), 160, 120, false);
    ASSERT_EQ(ps.Failed(), 0);
    EXPECT_DOUBLE_EQ(ps.GetFrameRate(), 25.0);
    EXPECT_NEAR(ps.GetDuration(), 3.0, 0.1);
    ASSERT_TRUE(ps.DecodeNextFrame());
    EXPECT_NEAR(ps.PtsToSeconds(ps.CurrentFrameTimestamp()), 0.0, 1e-6);
    EXPECT_EQ(ps.FirstFrameIndex(), 0);
}

TEST(CaptureTest, SeekToFrameLandsAtOrBeforeTheTargetAndCountsFromThere)
{
    for (EMedia eMedia : {EMedia::H264, EMedia::Mpeg2Ps})
    {
        CQVFFMpegCapture capture(MediaPath(eMedia), 160, 120, false);
        ASSERT_EQ(capture.Failed(), 0);
        // Backwards and forwards, across key frames.
        for (int nTarget : {45, 10, 70, 31, 60})
        {
            SCOPED_TRACE(nTarget);
            capture.SeekToFrame(nTarget);
            const int nLanded = PictureNumber(capture);
            EXPECT_LE(nLanded, nTarget);
            EXPECT_GE(nLanded, nTarget - 50);
            EXPECT_EQ(capture.FramesDecoded(), nLanded + 1);
            EXPECT_TRUE(DecodeForwardTo(capture, nTarget));
        }
    }
}

TEST(CaptureTest, SeekToFrameZeroAndOneSetTheCountToZeroAndOne)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    capture.SeekToFrame(50);
    capture.SeekToFrame(0);
    EXPECT_EQ(capture.FramesDecoded(), 0);
    ASSERT_TRUE(capture.DecodeNextFrame());
    EXPECT_EQ(PictureNumber(capture), 0);

    capture.SeekToFrame(50);
    capture.SeekToFrame(1);
    EXPECT_EQ(capture.FramesDecoded(), 1);
    EXPECT_EQ(PictureNumber(capture), 0);
    ASSERT_TRUE(capture.DecodeNextFrame());
    EXPECT_EQ(PictureNumber(capture), 1);
}

TEST(CaptureTest, SeekBeyondTheEndIsClampedToTheFrameCount)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    capture.SeekToFrame(100000);
    const int nLanded = PictureNumber(capture);
    EXPECT_LE(nLanded, 89);
    EXPECT_GE(nLanded, 90 - 50);
    EXPECT_TRUE(DecodeForwardTo(capture, 89));
    EXPECT_FALSE(capture.DecodeNextFrame());
}

TEST(CaptureTest, DeclaredFrameCountStopsDecodingOnePictureLaterUntilASeek)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::Declares100), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    ASSERT_EQ(capture.GetFrameCount(), 100);
    for (int i = 0; i <= 100; ++i)
        ASSERT_TRUE(capture.DecodeNextFrame()) << i;
    EXPECT_EQ(PictureNumber(capture), 100); // the 101st picture
    EXPECT_FALSE(capture.DecodeNextFrame());
    EXPECT_FALSE(capture.DecodeNextFrame());
    EXPECT_EQ(PictureNumber(capture), 100);
    // Uncounted reading is not limited.
    ASSERT_TRUE(capture.ReadNextFrame());
    EXPECT_EQ(PictureNumber(capture), 101);

    capture.SeekToFrame(50);
    EXPECT_TRUE(DecodeForwardTo(capture, 50));
    EXPECT_TRUE(capture.DecodeNextFrame());
}

TEST(CaptureTest, GetFrameAtTimeNearTheStartDoesNotSeek)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    ASSERT_TRUE(capture.GetFrameAtTime(0.4)); // 12 frames in: no seek
    EXPECT_EQ(capture.FramesDecoded(), 0);
    EXPECT_EQ(ReadFrameNumber(capture.ImageData(), capture.ImageStride(), capture.ImageWidth(),
                              capture.ImageHeight(), false),
              0);
}

TEST(CaptureTest, GetFrameAtTimeLeavesTheReaderWithinOneSecondBeforeTheTime)
{
    for (EMedia eMedia : {EMedia::H264, EMedia::Mpeg2Ps})
    {
        CQVFFMpegCapture capture(MediaPath(eMedia), 160, 120, false);
        ASSERT_EQ(capture.Failed(), 0);
        const double dRate = capture.GetFrameRate();
        ASSERT_TRUE(capture.GetFrameAtTime(2.5));
        const int nNumber = ReadFrameNumber(capture.ImageData(), capture.ImageStride(),
                                            capture.ImageWidth(), capture.ImageHeight(), false);
        EXPECT_GE(nNumber, static_cast<int>(1.5 * dRate));
        EXPECT_LE(nNumber, static_cast<int>(2.5 * dRate));
        EXPECT_NEAR(capture.PtsToSeconds(capture.PictureTimestamp()), nNumber / dRate, 1e-3);
    }
}

TEST(CaptureTest, ConvertFrameScalesToTheDestinationSize)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 80, 60, false);
    ASSERT_EQ(capture.Failed(), 0);
    uint8_t* pData = nullptr;
    EXPECT_FALSE(capture.ConvertFrame(&pData, nullptr, nullptr, nullptr, nullptr));
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(capture.ReadNextFrame());
    int nStride = 0;
    int nWidth = 0;
    int nHeight = 0;
    int nBytes = 0;
    ASSERT_TRUE(capture.ConvertFrame(&pData, &nStride, &nWidth, &nHeight, &nBytes));
    EXPECT_EQ(pData, capture.ImageData());
    EXPECT_EQ(nWidth, 80);
    EXPECT_EQ(nHeight, 60);
    EXPECT_EQ(nStride, 320);
    EXPECT_EQ(nBytes, 4);
    EXPECT_EQ(ReadFrameNumber(pData, nStride, nWidth, nHeight, false), 6);
    EXPECT_TRUE(IsBlue(pData, nStride, nHeight, 40, 50, false));
}

// Flipping turns the picture upside down and nothing else: the flipped image read bottom
// row first equals the unflipped one, for half-height, full-height and odd-height chroma.
TEST(CaptureTest, FlipStoresRowsBottomUpForEveryChromaLayout)
{
    for (EMedia eMedia : {EMedia::H264, EMedia::OddSize, EMedia::Yuv422, EMedia::Yuv444})
    {
        SCOPED_TRACE(static_cast<int>(eMedia));
        CQVFFMpegCapture upright(MediaPath(eMedia), 160, 120, false);
        CQVFFMpegCapture flipped(MediaPath(eMedia), 160, 120, true);
        ASSERT_EQ(upright.Failed(), 0);
        ASSERT_EQ(flipped.Failed(), 0);
        for (int i = 0; i < 4; ++i)
        {
            ASSERT_TRUE(upright.ReadNextFrame());
            ASSERT_TRUE(flipped.ReadNextFrame());
        }
        ASSERT_EQ(PictureNumber(upright), 3);
        ASSERT_EQ(PictureNumber(flipped), 3);
        const uint8_t* pUp = upright.ImageData();
        const uint8_t* pFlip = flipped.ImageData();
        const int nStride = upright.ImageStride();
        EXPECT_TRUE(IsBlue(pFlip, nStride, 120, 80, 100, true));
        EXPECT_TRUE(IsBlue(pFlip, nStride, 120, 10, 119, true));
        EXPECT_FALSE(IsBlue(pFlip, nStride, 120, 80, 10, true));

        long long nTotal = 0;
        int nWorst = 0;
        for (int y = 0; y < 120; ++y)
        {
            const uint8_t* pRowUp = pUp + y * nStride;
            const uint8_t* pRowFlip = pFlip + (119 - y) * nStride;
            for (int x = 0; x < 160 * 4; ++x)
            {
                const int nDiff = std::abs(pRowUp[x] - pRowFlip[x]);
                nTotal += nDiff;
                nWorst = std::max(nWorst, nDiff);
            }
        }
        // Scaling filters meet the picture from the other side, so rounding may differ a little.
        EXPECT_LT(static_cast<double>(nTotal) / (160 * 120 * 4), 2.0);
        EXPECT_LT(nWorst, 96);
    }
}

TEST(CaptureTest, AudioOnlyFileFailsInTheEngineCapture)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::AudioOnly), 160, 120, false);
    EXPECT_EQ(capture.Failed(), 1);
    EXPECT_FALSE(capture.HasVideo());
    EXPECT_FALSE(capture.ReadNextFrame());
    EXPECT_FALSE(capture.DecodeNextFrame());
    EXPECT_FALSE(capture.GetFrameAtTime(0.5));
    capture.SeekToFrame(10);
    EXPECT_EQ(capture.ImageData(), nullptr);
}

TEST(CaptureTest, ReopeningStartsAgainFromTheFirstPicture)
{
    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    capture.SeekToFrame(60);
    ASSERT_TRUE(capture.Open(MediaPath(EMedia::Mpeg2Ps)));
    EXPECT_EQ(capture.FirstFrameIndex(), -1);
    EXPECT_EQ(capture.FramesDecoded(), 0);
    ASSERT_TRUE(capture.ReadNextFrame());
    EXPECT_EQ(PictureNumber(capture), 0);
    EXPECT_FALSE(capture.Open(MediaPath(EMedia::AudioOnly)));
    EXPECT_FALSE(capture.HasVideo());
    EXPECT_FALSE(capture.ReadNextFrame());
}

TEST(CaptureTest, OpensPathsWithCharactersBeyondAscii)
{
    CQVScratchFolder folder;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(MediaPath(EMedia::H264), &bytes));
    const std::string path = folder / "vid\xC3\xA9o \xE6\x98\xA0\xE5\x83\x8F #1.mp4";
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    CQVFFMpegCapture capture(path, 160, 120, true);
    ASSERT_EQ(capture.Failed(), 0);
    EXPECT_EQ(capture.SourcePath(), path);
    ASSERT_TRUE(capture.ReadNextFrame());
    EXPECT_EQ(PictureNumber(capture), 0);
}

} // namespace
} // namespace qv::test
