#include "media/CQVFFMpegAudioReader.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace qv::test
{
namespace
{

// Pulls blocks the way the audio mixer does until the reader has nothing more, and
// returns everything delivered, with silence for blocks that gave nothing.
std::vector<int16_t> DrainReader(CQVFFMpegAudioReader& reader, int nBlock, int nRate,
                                 int* pnEmptyBlocks = nullptr)
{
    std::vector<int16_t> all;
    int nEmpty = 0;
    for (int i = 0; i < 100000 && !reader.Finished(); ++i)
    {
        const int16_t* pSamples = reader.GetSamples(nBlock, nRate);
        if (pSamples == nullptr)
        {
            ++nEmpty;
            all.insert(all.end(), size_t(nBlock) * 2, 0);
            continue;
        }
        all.insert(all.end(), pSamples, pSamples + size_t(nBlock) * 2);
    }
    EXPECT_TRUE(reader.Finished()) << "the reader never ran dry";
    if (pnEmptyBlocks)
        *pnEmptyBlocks = nEmpty;
    return all;
}

// Index of the first stereo frame with a sample clearly off zero; -1 when none.
long FirstSound(const std::vector<int16_t>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 64)
            return static_cast<long>(i / 2);
    return -1;
}

double Rms(const std::vector<int16_t>& samples, size_t nFirstFrame, size_t nFrames, int nChannel)
{
    double dSum = 0.0;
    for (size_t i = nFirstFrame; i < nFirstFrame + nFrames && i * 2 + 1 < samples.size(); ++i)
    {
        const double v = samples[i * 2 + nChannel];
        dSum += v * v;
    }
    return std::sqrt(dSum / static_cast<double>(nFrames));
}

double FirstAudioTimeOf(EMedia eMedia)
{
    CQVFFMpegAudioReader probe(MediaPath(eMedia));
    EXPECT_EQ(probe.Failed(), 0);
    return probe.FirstAudioTime();
}

TEST(AudioReaderTest, DeliversTheWholeStreamAsStereoAtTheCallersRate)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::AudioOnly));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(0.0);
    const std::vector<int16_t> samples = DrainReader(reader, 735, 22050);
    const double dSeconds = static_cast<double>(samples.size() / 2) / 22050.0;
    EXPECT_NEAR(dSeconds, 1.0, 0.1);
    EXPECT_GT(Rms(samples, 2205, 11025, 0), 1000.0);
    // The source is the same tone in both channels (coded with some loss).
    for (size_t i = 0; i < samples.size(); i += 2)
        ASSERT_LE(std::abs(samples[i] - samples[i + 1]), 200) << i;
    EXPECT_EQ(reader.GetSamples(735, 22050), nullptr);
}

TEST(AudioReaderTest, FirstAudioTimeMeasuresFromTheStartOfThePictures)
{
    EXPECT_NEAR(FirstAudioTimeOf(EMedia::AudioOnly), 0.0, 1e-6);
    EXPECT_NEAR(FirstAudioTimeOf(EMedia::H264), 0.0, 1e-6);
    EXPECT_NEAR(FirstAudioTimeOf(EMedia::LateAudio), 0.5, 0.002);
    // Both streams of a program stream start late together: the sound is not late.
    EXPECT_LT(FirstAudioTimeOf(EMedia::Mpeg2Ps), 0.05);
}

TEST(AudioReaderTest, PendingSilenceComesBeforeTheSound)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::LateAudio));
    ASSERT_EQ(reader.Failed(), 0);
    reader.SetPendingSilence(FirstAudioTimeOf(EMedia::LateAudio));
    reader.Seek(0.0);
    int nEmpty = 0;
    const std::vector<int16_t> samples = DrainReader(reader, 1470, 44100, &nEmpty);
    EXPECT_EQ(nEmpty, 0);
    const long nFirst = FirstSound(samples);
    EXPECT_GE(nFirst, 22050);
    EXPECT_LE(nFirst, 22060);
    EXPECT_NEAR(static_cast<double>(samples.size() / 2) / 44100.0, 2.0, 0.05);
}

TEST(AudioReaderTest, SeekShortensThePendingSilence)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::LateAudio));
    ASSERT_EQ(reader.Failed(), 0);
    reader.SetPendingSilence(FirstAudioTimeOf(EMedia::LateAudio));
    reader.Seek(0.2);
    EXPECT_NEAR(reader.PendingSilence(), 0.3, 0.002);
    const std::vector<int16_t> samples = DrainReader(reader, 1470, 44100);
    const long nFirst = FirstSound(samples);
    EXPECT_GE(nFirst, 13230 - 100);
    EXPECT_LE(nFirst, 13230 + 10);

    // Past the whole silence nothing is left of it.
    CQVFFMpegAudioReader later(MediaPath(EMedia::LateAudio));
    later.SetPendingSilence(0.5);
    later.Seek(0.8);
    EXPECT_LT(later.PendingSilence(), 0.0);
}

TEST(AudioReaderTest, SoundLyingAheadOfTheReadPositionIsHeldBack)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::LateAudio));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(0.0); // no pending silence: the first sound is half a second ahead
    EXPECT_EQ(reader.GetSamples(1470, 44100), nullptr);
    EXPECT_FALSE(reader.Finished());
    ASSERT_FALSE(reader.Queue().empty());
    EXPECT_GT(reader.Queue().front().dTime, reader.ReadPosition() + 2.0 / 30.0);

    int nEmpty = 1;
    for (int i = 0; i < 30 && reader.GetSamples(1470, 44100) == nullptr; ++i)
        ++nEmpty;
    // Delivery resumes once the sound is within two output frames of the read position.
    EXPECT_GE(nEmpty, 8);
    EXPECT_LE(nEmpty, 14);

    // While previewing at 15 frames per second the allowance is twice as long.
    CQVFFMpegAudioReader preview(MediaPath(EMedia::LateAudio));
    preview.SetOutputFrameRate(15.0);
    preview.Seek(0.0);
    int nPreviewEmpty = 0;
    for (int i = 0; i < 30 && preview.GetSamples(1470, 44100) == nullptr; ++i)
        ++nPreviewEmpty;
    EXPECT_EQ(nPreviewEmpty, nEmpty - 2);
}

TEST(AudioReaderTest, SixChannelsMixDownThroughTheDefaultLayout)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::SixChannels));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(0.0);
    const std::vector<int16_t> samples = DrainReader(reader, 1600, 48000);
    // First half: centre only, shared equally by both sides.
    const double dCentreLeft = Rms(samples, 4800, 14400, 0);
    const double dCentreRight = Rms(samples, 4800, 14400, 1);
    EXPECT_GT(dCentreLeft, 1500.0);
    EXPECT_NEAR(dCentreLeft, dCentreRight, dCentreLeft * 0.02);
    // Second half: front left only.
    const double dLeft = Rms(samples, 28800, 14400, 0);
    const double dRight = Rms(samples, 28800, 14400, 1);
    EXPECT_GT(dLeft, 1500.0);
    EXPECT_LT(dRight, 50.0);
}

TEST(AudioReaderTest, HighOutputRatesAreConvertedInBoundedPieces)
{
    // 4608-sample frames at 8 kHz read at 96 kHz give 55296 frames each, more than one
    // conversion holds.
    CQVFFMpegAudioReader reader(MediaPath(EMedia::LowRateFlac));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(0.0);
    int nLargest = 0;
    int nTotal = 0;
    for (int i = 0; i < 100 && !reader.EndOfStream(); ++i)
        nTotal += reader.DecodeChunk(96000);
    for (const tagQVFFMpegBackupAudioItem& item : reader.Queue())
    {
        nLargest = std::max(nLargest, item.nSampleCount);
        EXPECT_EQ(item.samples.size(), size_t(item.nSampleCount) * 2);
    }
    EXPECT_LE(nLargest, CQVFFMpegAudioReader::kConversionFrames);
    EXPECT_NEAR(nTotal, 2 * 96000, 2000);

    // The pieces keep the sound continuous: no gap where one piece meets the next.
    std::vector<int16_t> samples;
    for (const tagQVFFMpegBackupAudioItem& item : reader.Queue())
        samples.insert(samples.end(), item.samples.begin(), item.samples.end());
    int nWorstStep = 0;
    for (size_t i = 2 * 9600; i + 2 < samples.size() - 2 * 9600; i += 2)
        nWorstStep = std::max(nWorstStep, std::abs(samples[i + 2] - samples[i]));
    // A 440 Hz tone at 96 kHz moves at most about 2π·440/96000 of full scale per frame.
    EXPECT_LT(nWorstStep, 1000);
}

TEST(AudioReaderTest, SeekDropsTheSoundBeforeTheTarget)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::H264));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(2.0);
    const std::vector<int16_t> samples = DrainReader(reader, 1470, 44100);
    EXPECT_GE(reader.LastSkippedTime(), 1.4);
    EXPECT_LT(reader.LastSkippedTime(), 2.0);
    EXPECT_NEAR(static_cast<double>(samples.size() / 2) / 44100.0, 1.0, 0.1);
    EXPECT_LE(FirstSound(samples), 10);
}

TEST(AudioReaderTest, GetSamplesServesALargerRequestThanTheFirst)
{
    CQVFFMpegAudioReader reader(MediaPath(EMedia::AudioOnly));
    ASSERT_EQ(reader.Failed(), 0);
    reader.Seek(0.0);
    ASSERT_NE(reader.GetSamples(100, 44100), nullptr);
    const int16_t* pSamples = reader.GetSamples(8000, 44100);
    ASSERT_NE(pSamples, nullptr);
    EXPECT_NE(pSamples[2 * 7999], 0);
}

TEST(AudioReaderTest, FailedOrNonsenseRequestsDeliverNothing)
{
    CQVScratchFolder folder;
    CQVFFMpegAudioReader missing(folder / "missing.wav");
    EXPECT_EQ(missing.Failed(), 1);
    EXPECT_EQ(missing.FirstAudioTime(), 0.0);
    missing.Seek(1.0);
    EXPECT_EQ(missing.SetupResampler(44100), nullptr);
    EXPECT_EQ(missing.DecodeChunk(44100), 0);
    EXPECT_EQ(missing.GetSamples(1024, 44100), nullptr);

    CQVFFMpegAudioReader videoOnly(MediaPath(EMedia::OddSize));
    EXPECT_EQ(videoOnly.Failed(), 1);

    CQVFFMpegAudioReader reader(MediaPath(EMedia::AudioOnly));
    ASSERT_EQ(reader.Failed(), 0);
    EXPECT_EQ(reader.SetupResampler(0), nullptr);
    EXPECT_EQ(reader.GetSamples(0, 44100), nullptr);
    EXPECT_EQ(reader.GetSamples(1024, 0), nullptr);
    EXPECT_EQ(reader.GetSamples(-5, 44100), nullptr);
    EXPECT_NE(reader.GetSamples(1024, 44100), nullptr);
}

} // namespace
} // namespace qv::test
