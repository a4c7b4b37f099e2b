#include "probe/CQVFFMpegStillCapture.h"
#include "probe/MediaInfoProbe.h"
#include "tests/support/TestMedia.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace qv::test
{
namespace
{

int StillNumber(CQVFFMpegStillCapture& capture)
{
    if (!capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr))
        return -2;
    return ReadFrameNumber(capture.ImageData(), capture.ImageStride(), capture.ImageWidth(),
                           capture.ImageHeight(), false);
}

TEST(StillCaptureTest, OpensAFileWithOnlySoundButGivesNoPicture)
{
    CQVFFMpegStillCapture capture(MediaPath(EMedia::AudioOnly), true);
    ASSERT_EQ(capture.Failed(), 0);
    EXPECT_FALSE(capture.HasVideo());
    EXPECT_TRUE(capture.HasAudio());
    EXPECT_NEAR(capture.GetDuration(), 1.0, 0.1);
    EXPECT_FALSE(capture.GetFrameAtTime(0.5));
    CQVScratchFolder folder;
    EXPECT_FALSE(capture.SaveFrameAsJpeg(0.5, folder / "a.jpg"));
}

TEST(StillCaptureTest, SizeFromTheStreamIsTheSourcesOwn)
{
    CQVFFMpegStillCapture wide(MediaPath(EMedia::Wide), true);
    ASSERT_EQ(wide.Failed(), 0);
    EXPECT_EQ(wide.DestinationWidth(), 330);
    EXPECT_EQ(wide.DestinationHeight(), 250);

    // Odd and below 320 x 240: neither cut nor raised.
    CQVFFMpegStillCapture small(MediaPath(EMedia::OddSize), true);
    ASSERT_EQ(small.Failed(), 0);
    EXPECT_EQ(small.DestinationWidth(), 161);
    EXPECT_EQ(small.DestinationHeight(), 121);

    CQVFFMpegStillCapture fixed(MediaPath(EMedia::Wide), false);
    ASSERT_EQ(fixed.Failed(), 0);
    EXPECT_EQ(fixed.DestinationWidth(), 320);
    EXPECT_EQ(fixed.DestinationHeight(), 240);
}

TEST(StillCaptureTest, StopsOnTheFirstPictureAtOrAfterTheTime)
{
    const struct
    {
        double dSeconds;
        int nFrame;
    } cases[] = {{0.0, 0}, {0.4, 12}, {0.51, 16}, {1.0, 30}, {2.9, 87}, {10.0, 89}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.dSeconds);
        CQVFFMpegStillCapture capture(MediaPath(EMedia::H264), false);
        ASSERT_EQ(capture.Failed(), 0);
        ASSERT_TRUE(capture.GetFrameAtTime(c.dSeconds));
        EXPECT_EQ(StillNumber(capture), c.nFrame);
    }
    // Times count from the stream's start, which lies after 0 in a program stream.
    CQVFFMpegStillCapture ps(MediaPath(EMedia::Mpeg2Ps), false);
    ASSERT_EQ(ps.Failed(), 0);
    ASSERT_TRUE(ps.GetFrameAtTime(1.0));
    EXPECT_EQ(StillNumber(ps), 25);
    // Matroska stores frame k at k/30 s rounded to the millisecond, a little early or late.
    for (int k : {1, 2, 3, 4, 17, 29})
    {
        CQVFFMpegStillCapture mkv(NumberedClipPath(ENumberedContainer::Matroska, 30), false);
        ASSERT_EQ(mkv.Failed(), 0);
        ASSERT_TRUE(mkv.GetFrameAtTime(k / 30.0));
        EXPECT_EQ(StillNumber(mkv), k) << "Matroska at " << k << "/30 s";
    }
}

TEST(StillCaptureTest, PicturesAreNeverFlipped)
{
    CQVFFMpegStillCapture capture(MediaPath(EMedia::Yuv422), false);
    ASSERT_EQ(capture.Failed(), 0);
    EXPECT_FALSE(capture.Flips());
    ASSERT_TRUE(capture.GetFrameAtTime(0.2));
    EXPECT_EQ(StillNumber(capture), 6);
    EXPECT_TRUE(IsBlue(capture.ImageData(), capture.ImageStride(), 240, 160, 200, false));
}

TEST(StillCaptureTest, SaveFrameAsJpegWritesThePictureAtTheTime)
{
    CQVScratchFolder folder;
    CQVFFMpegStillCapture capture(MediaPath(EMedia::H264), true);
    ASSERT_EQ(capture.Failed(), 0);
    const std::string path = folder / "1.0.jpg";
    ASSERT_TRUE(capture.SaveFrameAsJpeg(1.0, path));

    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "JPEG"));
    EXPECT_EQ(image.width(), 160); // the source's own size, however small
    EXPECT_EQ(image.height(), 120);
    const QImage bgra = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(
        ReadFrameNumber(bgra.constBits(), static_cast<int>(bgra.bytesPerLine()), 160, 120, false),
        30);
    EXPECT_TRUE(
        IsBlue(bgra.constBits(), static_cast<int>(bgra.bytesPerLine()), 120, 80, 100, false));

    EXPECT_FALSE(capture.SaveFrameAsJpeg(1.0, folder / "missing-folder/x.jpg"));
}

TEST(MediaInfoProbeTest, GivesTheFiveValuesOfAFile)
{
    int bVideo = 7, bAudio = 7, nWidth = 7, nHeight = 7;
    double dDuration = 7.0;
    int64_t nExtra = 7;
    ASSERT_NE(GetMediaInfoEx(MediaPath(EMedia::H264), &bVideo, &bAudio, &nWidth, &nHeight,
                             &dDuration, &nExtra),
              0);
    EXPECT_EQ(bVideo, 1);
    EXPECT_EQ(bAudio, 1);
    EXPECT_EQ(nWidth, 160);
    EXPECT_EQ(nHeight, 120);
    EXPECT_NEAR(dDuration, 3.0, 0.05);

    ASSERT_NE(GetMediaInfoEx(MediaPath(EMedia::AudioOnly), &bVideo, &bAudio, &nWidth, &nHeight,
                             &dDuration, nullptr),
              0);
    EXPECT_EQ(bVideo, 0);
    EXPECT_EQ(bAudio, 1);
    EXPECT_EQ(nWidth, 0);
    EXPECT_EQ(nHeight, 0);
    EXPECT_NEAR(dDuration, 1.0, 0.1);

    ASSERT_NE(GetMediaInfoEx(MediaPath(EMedia::OddSize), &bVideo, &bAudio, &nWidth, &nHeight,
                             &dDuration, nullptr),
              0);
    EXPECT_EQ(bVideo, 1);
    EXPECT_EQ(bAudio, 0);
    EXPECT_EQ(nWidth, 161);
    EXPECT_EQ(nHeight, 121);
}

TEST(MediaInfoProbeTest, FailsWithoutTouchingTheOutputsWhenTheFileCannotBeRead)
{
    CQVScratchFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder / "empty.mp4", std::string()));
    for (const std::string& path : {folder / "missing.mp4", folder / "empty.mp4"})
    {
        int bVideo = 7, bAudio = 7, nWidth = 7, nHeight = 7;
        double dDuration = 7.0;
        EXPECT_EQ(GetMediaInfoEx(path, &bVideo, &bAudio, &nWidth, &nHeight, &dDuration, nullptr),
                  0);
        EXPECT_EQ(bVideo + bAudio + nWidth + nHeight, 28);
        EXPECT_EQ(dDuration, 7.0);
    }
    // Only local files are read, whatever protocol a name asks for.
    EXPECT_NE(GetMediaInfoEx("file:" + MediaPath(EMedia::H264), nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
              0);
    EXPECT_EQ(GetMediaInfoEx("async:" + MediaPath(EMedia::H264), nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
              0);
}

} // namespace
} // namespace qv::test
