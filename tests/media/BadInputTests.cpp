// Damaged and unreadable sources: every call returns its failure value or keeps the last
// good picture, and every loop a caller runs over a reader comes to an end.
#include "media/CQVFFMpegAudioReader.h"
#include "media/CQVFFMpegCapture.h"
#include "probe/CQVFFMpegStillCapture.h"
#include "probe/MediaInfoProbe.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace qv::test
{
namespace
{

constexpr int kLoopLimit = 10000;

struct tagOutcome
{
    bool bOpened = false;
    int nPictures = 0;     // pictures ReadNextFrame delivered from the start
    int nLastNumber = -1;  // frame number of the last of them
    int nValidNumbers = 0; // of those, pictures whose number could be read back
    bool bNumbersRise = true;
};

// Reads the whole file with the engine's capture, then seeks and converts.
tagOutcome ExerciseCapture(const std::string& path)
{
    tagOutcome outcome;
    CQVFFMpegCapture capture(path, 160, 120, true);
    if (capture.Failed())
    {
        EXPECT_FALSE(capture.ReadNextFrame());
        EXPECT_FALSE(capture.GetFrameAtTime(1.0));
        EXPECT_FALSE(capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr));
        return outcome;
    }
    outcome.bOpened = true;
    int nPrevious = -1;
    while (outcome.nPictures < kLoopLimit && capture.ReadNextFrame())
    {
        ++outcome.nPictures;
        if (!capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr))
            continue;
        const int nNumber = ReadFrameNumber(capture.ImageData(), capture.ImageStride(),
                                            capture.ImageWidth(), capture.ImageHeight(), true);
        if (nNumber < 0)
            continue;
        ++outcome.nValidNumbers;
        if (nNumber <= nPrevious)
            outcome.bNumbersRise = false;
        nPrevious = nNumber;
        outcome.nLastNumber = nNumber;
    }
    EXPECT_LT(outcome.nPictures, kLoopLimit);
    EXPECT_FALSE(capture.ReadNextFrame());

    capture.SeekToFrame(40);
    int nCounted = 0;
    while (nCounted < kLoopLimit && capture.DecodeNextFrame())
        ++nCounted;
    EXPECT_LT(nCounted, kLoopLimit);
    capture.SeekToFrame(5);
    capture.GetFrameAtTime(2.0);
    capture.GetFrameAtTime(0.1);
    capture.SeekToFrame(0);
    capture.DecodeNextFrame();
    capture.ConvertFrame(nullptr, nullptr, nullptr, nullptr, nullptr);
    return outcome;
}

// The audio reader pulled dry, the still capture and the probe on the same file.
bool ExerciseOthers(const std::string& path, const CQVScratchFolder& folder)
{
    CQVFFMpegAudioReader probe(path);
    probe.FirstAudioTime();
    CQVFFMpegAudioReader reader(path);
    reader.SetPendingSilence(0.2);
    reader.Seek(1.0);
    int nBlocks = 0;
    while (!reader.Finished() && nBlocks < kLoopLimit)
    {
        reader.GetSamples(1470, 44100);
        ++nBlocks;
    }
    EXPECT_LT(nBlocks, kLoopLimit);

    CQVFFMpegStillCapture still(path, true);
    still.SaveFrameAsJpeg(1.5, folder / "still.jpg");
    still.SaveFrameAsJpeg(0.0, folder / "still.jpg");

    int bVideo = 0, bAudio = 0, nWidth = 0, nHeight = 0;
    double dDuration = 0.0;
    const int nProbe =
        GetMediaInfoEx(path, &bVideo, &bAudio, &nWidth, &nHeight, &dDuration, nullptr);
    return reader.Failed() == 0 || still.Failed() == 0 || nProbe != 0;
}

std::string FileBytes(EMedia eMedia)
{
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(MediaPath(eMedia), &bytes));
    return bytes;
}

TEST(BadInputTest, UnreadableFilesFailEverywhere)
{
    CQVScratchFolder folder;
    std::string noise(65536, '\0');
    std::mt19937 random(4);
    for (char& c : noise)
        c = static_cast<char>(random());
    ASSERT_TRUE(WriteWholeFile(folder / "empty.mp4", std::string()));
    ASSERT_TRUE(WriteWholeFile(folder / "noise.mp4", noise));
    ASSERT_TRUE(WriteWholeFile(folder / "noise.mpg", noise));

    for (const std::string& path :
         {folder / "missing.avi", folder / "empty.mp4", folder / "noise.mp4", folder / "noise.mpg",
          folder.operator/("")})
    {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ExerciseCapture(path).bOpened);
        EXPECT_FALSE(ExerciseOthers(path, folder));
    }
}

TEST(BadInputTest, TruncatedFilesGiveThePicturesBeforeTheCut)
{
    CQVScratchFolder folder;
    for (EMedia eMedia : {EMedia::H264, EMedia::Mpeg2Ps})
    {
        const std::string bytes = FileBytes(eMedia);
        const std::string extension = eMedia == EMedia::H264 ? ".mp4" : ".mpg";
        int nPreviousPictures = -1;
        for (int nPercent : {10, 50, 99})
        {
            SCOPED_TRACE(std::to_string(static_cast<int>(eMedia)) + " cut at " +
                         std::to_string(nPercent) + "%");
            const std::string path = folder / ("cut" + std::to_string(nPercent) + extension);
            ASSERT_TRUE(WriteWholeFile(path, bytes.substr(0, bytes.size() * nPercent / 100)));
            const tagOutcome outcome = ExerciseCapture(path);
            ExerciseOthers(path, folder);
            if (!outcome.bOpened)
                continue;
            EXPECT_TRUE(outcome.bNumbersRise);
            EXPECT_LT(outcome.nLastNumber, eMedia == EMedia::H264 ? 90 : 75);
            EXPECT_GE(outcome.nPictures, nPreviousPictures);
            nPreviousPictures = outcome.nPictures;
        }
        // Nearly whole files still give nearly every picture.
        EXPECT_GE(nPreviousPictures, eMedia == EMedia::H264 ? 80 : 65);
    }
}

TEST(BadInputTest, ACorruptBurstDoesNotStopTheRestOfTheFile)
{
    CQVScratchFolder folder;
    for (EMedia eMedia : {EMedia::H264, EMedia::Mpeg2Ps})
    {
        SCOPED_TRACE(static_cast<int>(eMedia));
        std::string bytes = FileBytes(eMedia);
        std::mt19937 random(9);
        const size_t nMiddle = bytes.size() / 2;
        for (size_t i = nMiddle; i < nMiddle + 2048 && i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(random());
        const std::string path = folder / (eMedia == EMedia::H264 ? "burst.mp4" : "burst.mpg");
        ASSERT_TRUE(WriteWholeFile(path, bytes));
        const tagOutcome outcome = ExerciseCapture(path);
        ExerciseOthers(path, folder);
        ASSERT_TRUE(outcome.bOpened);
        // Pictures after the damage decode again, up to the last one of the file.
        EXPECT_GE(outcome.nLastNumber, eMedia == EMedia::H264 ? 85 : 70);
        EXPECT_GT(outcome.nValidNumbers, eMedia == EMedia::H264 ? 50 : 40);
    }
}

TEST(BadInputTest, NonsenseSizesAndTargetsAreRefusedOrClamped)
{
    CQVFFMpegCapture zero(MediaPath(EMedia::H264), 0, 120, false);
    EXPECT_EQ(zero.Failed(), 1);
    CQVFFMpegCapture negative(MediaPath(EMedia::H264), -4, -4, false);
    EXPECT_EQ(negative.Failed(), 1);
    CQVFFMpegCapture huge(MediaPath(EMedia::H264), 1 << 20, 1 << 20, false);
    EXPECT_EQ(huge.Failed(), 1);

    CQVFFMpegCapture capture(MediaPath(EMedia::H264), 160, 120, false);
    ASSERT_EQ(capture.Failed(), 0);
    capture.SeekToFrame(-100);
    EXPECT_EQ(capture.FramesDecoded(), 0);
    capture.SeekToFrame(INT64_MAX);
    EXPECT_TRUE(capture.GetFrameAtTime(-5.0));
    EXPECT_TRUE(capture.GetFrameAtTime(1e300));
    EXPECT_TRUE(capture.GetFrameAtTime(std::nan("")));
}

} // namespace
} // namespace qv::test
