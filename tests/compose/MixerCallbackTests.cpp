// The video and audio mixer callbacks on their own: times, history, mixing arithmetic,
// gains, levels and the level queue.
#include "compose/CAudioMixerUserCallback.h"
#include "compose/CQVLevelMapping.h"
#include "compose/CVUserCallback.h"
#include "compose/CVideoMixerUserCallback.h"
#include "compose/CVideoMixerUserCallbackEx.h"
#include "encode/CQVVideoConverter.h"
#include "media/CQVFFMpegAudioReader.h"
#include "media/CQVItemRuntime.h"
#include "platform/ProgramFolder.h"
#include "project/LineTypes.h"
#include "tests/support/TestFolder.h"

#include <QImage>
#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace qv;

namespace
{

// A 16-bit stereo PCM WAV file holding one constant value per channel.
bool WriteConstantWav(const std::string& path, int16_t nLeft, int16_t nRight, int nFrames,
                      int nRate = 44100)
{
    std::string bytes;
    auto put32 = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { bytes.append(reinterpret_cast<const char*>(&v), 2); };
    uint32_t data = static_cast<uint32_t>(nFrames) * 4;
    bytes += "RIFF";
    put32(36 + data);
    bytes += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(2);
    put32(static_cast<uint32_t>(nRate));
    put32(static_cast<uint32_t>(nRate) * 4);
    put16(4);
    put16(16);
    bytes += "data";
    put32(data);
    for (int i = 0; i < nFrames; ++i)
    {
        put16(static_cast<uint16_t>(nLeft));
        put16(static_cast<uint16_t>(nRight));
    }
    return test::WriteFileBytes(path, bytes);
}

tagQVWaveFormatEx Stereo16(uint32_t nRate = 44100)
{
    return {1, 2, nRate, nRate * 4, 4, 16, 0};
}

std::unique_ptr<tagQVMediaData> SoundItem(const std::string& source, int32_t nLine, double dStart,
                                          double dEnd)
{
    auto item = std::make_unique<tagQVMediaData>();
    item->eMediaTypeLine = nLine;
    item->eMediaType = nLine == kLineMainVideo ? 0 : 1;
    item->source = source;
    item->bHadAudio = 1;
    item->dEditorStartTime = dStart;
    item->dEditorEndTime = dEnd;
    item->dASelfStartTime = item->dVSelfStartTime = 0.0;
    item->dASelfEndTime = item->dVSelfEndTime = dEnd - dStart;
    return item;
}

// Fills buffers of 1470 frames (1/30 s) until the time passes dUntil; returns the last.
std::vector<int16_t> MixUntil(CAudioMixerUserCallback& mixer, double dUntil, int nFrames = 1470)
{
    std::vector<int16_t> buffer(static_cast<size_t>(nFrames) * 2);
    tagQVWaveFormatEx format = Stereo16();
    while (mixer.CurrentTime() < dUntil)
        mixer.FillAudio(0, nFrames * 4, 0, buffer.data(), &format, nFrames * 4);
    return buffer;
}

} // namespace

TEST(AudioMix, TheFormulaPassesOneSourceAndBendsOverlaps)
{
    EXPECT_EQ(CAudioMixerUserCallback::MixSample(12345, 0), 12345);
    EXPECT_EQ(CAudioMixerUserCallback::MixSample(16384, 16384), 28672);
    EXPECT_EQ(CAudioMixerUserCallback::MixSample(16384, -16384), 4096);
    EXPECT_EQ(CAudioMixerUserCallback::MixSample(40000, 32767), 32767);
    EXPECT_EQ(CAudioMixerUserCallback::MixSample(-5000000, -32768), -32768)
        << "a value far beyond full scale clamps instead of wrapping";
}

TEST(AudioMix, LevelsOfA1024FrameBufferUse16FramesPerLevel)
{
    std::vector<int16_t> samples(2048);
    for (int i = 0; i < 1024; ++i)
    {
        samples[2 * i] = static_cast<int16_t>(i);         // left: the frame number
        samples[2 * i + 1] = static_cast<int16_t>(-1600); // right: constant
    }
    int16_t left[64], right[64];
    CAudioMixerUserCallback::MeasureLevels(samples.data(), 1024, left, right);
    // Level 0 sums frames 0..14 (the 16th frame closes it before it is added).
    EXPECT_EQ(left[0], (14 * 15 / 2) / 16);
    EXPECT_EQ(right[0], 15 * 1600 / 16);
    // Level 1 sums frames 15..30.
    EXPECT_EQ(left[1], (15 + 30) * 16 / 2 / 16);
    EXPECT_EQ(right[1], 1600);
    // Level 63 takes the last 17 frames, divided by the final count 16.
    EXPECT_EQ(right[63], 17 * 1600 / 16);
    EXPECT_EQ(left[63], (1007 + 1023) * 17 / 2 / 16);

    // Fewer than 64 frames still measure, without dividing by zero.
    CAudioMixerUserCallback::MeasureLevels(samples.data(), 10, left, right);
    EXPECT_EQ(right[62], 0);
}

TEST(AudioMix, FadesAndVolumeGiveTheGain)
{
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    TimelineLine* main = timeline.FindLine(kLineMainVideo);
    main->items.push_back(SoundItem("/nonexistent.wav", kLineMainVideo, 10.0, 20.0));
    tagQVMediaData& item = *main->items.back();
    item.dVoiceScale = 0.8;
    item.bEnableAudioEffect = 1;
    item.dAudioFadeInDuration = 2.0;
    item.dAudioFadeOutDuration = 2.0;
    CAudioMixerUserCallback mixer(timeline, "", 1);
    ASSERT_EQ(mixer.ListA().size(), 1u);
    EXPECT_DOUBLE_EQ(mixer.ItemGain(item, 10.5), 0.25 * 0.8);
    EXPECT_DOUBLE_EQ(mixer.ItemGain(item, 15.0), 0.8);
    EXPECT_DOUBLE_EQ(mixer.ItemGain(item, 19.0), 0.5 * 0.8);
    item.bEnableAudioEffect = 0;
    EXPECT_DOUBLE_EQ(mixer.ItemGain(item, 10.5), 0.8);
}

class AudioMixFiles : public ::testing::Test
{
protected:
    std::string Wav(const char* name, int16_t nLeft, int16_t nRight, int nFrames = 44100 * 3)
    {
        std::string path = m_folder / name;
        EXPECT_TRUE(WriteConstantWav(path, nLeft, nRight, nFrames));
        return path;
    }
    test::CQVTestFolder m_folder;
};

TEST_F(AudioMixFiles, HalfVolumeOfFullScaleIs16383AndHoldKeepsTheTime)
{
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    timeline.FindLine(kLineMainVideo)
        ->items.push_back(SoundItem(Wav("full.wav", 32767, 32767), kLineMainVideo, 0.0, 3.0));
    timeline.FindLine(kLineMainVideo)->items.back()->dVoiceScale = 0.5;
    CAudioMixerUserCallback mixer(timeline, "", 1);
    std::vector<int16_t> buffer = MixUntil(mixer, 1.0);
    EXPECT_EQ(buffer[100], 16383);
    EXPECT_EQ(buffer[2001], 16383);

    double before = mixer.CurrentTime();
    tagQVWaveFormatEx format = Stereo16();
    mixer.FillAudio(0, 4096, 1, buffer.data(), &format, 4096);
    EXPECT_DOUBLE_EQ(mixer.CurrentTime(), before) << "a held buffer is for the same time";

    tagQVWaveFormatEx eightBit = format;
    eightBit.wBitsPerSample = 8;
    std::fill(buffer.begin(), buffer.end(), 7);
    EXPECT_EQ(mixer.FillAudio(0, 4096, 0, buffer.data(), &eightBit, 4096), 0);
    EXPECT_EQ(buffer[0], 7) << "a buffer that is not 16-bit is left alone";
}

TEST_F(AudioMixFiles, OverlappingItemsMixAndVocalCutRemovesTheCentre)
{
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    timeline.FindLine(kLineMainVideo)
        ->items.push_back(SoundItem(Wav("minus.wav", -16384, -16384), kLineMainVideo, 0.0, 3.0));
    timeline.FindLine(1)->items.push_back(SoundItem(Wav("plus.wav", 16384, 16384), 1, 0.0, 3.0));
    {
        CAudioMixerUserCallback mixer(timeline, "", 1);
        std::vector<int16_t> buffer = MixUntil(mixer, 1.0);
        EXPECT_EQ(buffer[500], 4096);
    }
    timeline.FindLine(1)->items.back()->bVocalCut = 1;
    {
        CAudioMixerUserCallback mixer(timeline, "", 1);
        std::vector<int16_t> buffer = MixUntil(mixer, 1.0);
        EXPECT_EQ(buffer[500], -16384) << "equal channels cut to silence";
    }
}

TEST_F(AudioMixFiles, DoubleSpeedReadsTheSourceTwiceAsFast)
{
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    timeline.FindLine(kLineMainVideo)
        ->items.push_back(
            SoundItem(Wav("long.wav", 1000, 1000, 44100 * 6), kLineMainVideo, 0.0, 3.0));
    tagQVMediaData* item = timeline.FindLine(kLineMainVideo)->items.back().get();
    item->dPlaybackRate = 2.0;
    item->dASelfEndTime = item->dVSelfEndTime = 6.0;
    CAudioMixerUserCallback mixer(timeline, "", 1);
    std::vector<int16_t> buffer = MixUntil(mixer, 1.0);
    EXPECT_EQ(buffer[10], 1000);
    tagQVItemAudio* audio = mixer.FindItemAudio(item);
    ASSERT_NE(audio, nullptr);
    ASSERT_TRUE(audio->pReader);
    EXPECT_NEAR(audio->pReader->ReadPosition(), 2.0, 0.25)
        << "a second of output at speed 2 uses two seconds of source";
}

TEST_F(AudioMixFiles, SubstituteWavReplacesTheSourcesSound)
{
    std::string wav = Wav("sub.wav", 2000, 2000);
    std::string list = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<WavFiles>\r\n"
                       "\t<item source=\"/Videos/CLIP.WMV\" wav=\"" +
                       wav + "\"/>\r\n</WavFiles>\r\n";
    ASSERT_TRUE(test::WriteFileBytes(m_folder / "wavfiles.dat", list));
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    timeline.FindLine(kLineMainVideo)
        ->items.push_back(SoundItem("/videos/clip.wmv", kLineMainVideo, 0.0, 3.0));
    CAudioMixerUserCallback mixer(timeline, m_folder.Path(), 1);
    std::vector<int16_t> buffer = MixUntil(mixer, 0.5);
    EXPECT_EQ(buffer[40], 2000);
}

TEST(LevelQueue, IsBoundedOnBothEnds)
{
    CQVLevelMapping writer;
    ASSERT_TRUE(writer.Create(0.1, 30.0)); // 3 frames, room for 33 records
    EXPECT_EQ(CQVLevelMapping::BlockSize(0.1, 30.0), static_cast<int64_t>(2 * 1.1 * 30 * 128 + 24));
    EXPECT_EQ(writer.FrameCount(), 3);
    int16_t left[64], right[64], got[128];
    for (int i = 0; i < 64; ++i)
        left[i] = static_cast<int16_t>(i), right[i] = static_cast<int16_t>(-i);

    EXPECT_FALSE(writer.ReadRecord(got, got + 64, 50)) << "nothing written: the reader gives up";
    int accepted = 0;
    for (int i = 0; i < 40; ++i)
        accepted += writer.WriteRecord(left, right) ? 1 : 0;
    EXPECT_EQ(static_cast<uint64_t>(accepted), writer.Capacity());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(writer.ReadRecord(got, got + 64, 50));
    EXPECT_EQ(got[5], 5);
    EXPECT_EQ(got[64 + 5], -5);
    EXPECT_FALSE(writer.ReadRecord(got, got + 64, 50)) << "never past the frame count";
    writer.Close(true);
    EXPECT_EQ(CQVLevelMapping::BlockSize(-1.0, 30.0), 0);
    EXPECT_EQ(CQVLevelMapping::BlockSize(1e12, 30.0), 0);
}

TEST(VideoMixer, SamplesCountTimesAndKeepTheLast16)
{
    test::CQVTestFolder folder;
    ASSERT_TRUE(test::WriteFileBytes(folder / "stale", "x"));
    ASSERT_TRUE(qv::test::WriteFileBytes(folder / "leftover.txt", "y"));
    std::string rwvFile = folder / "rwv/old.jpg";
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    tagQVConverterSetup setup;
    CQVVideoConverter owner(setup);
    CVideoMixerUserCallback callback(timeline, 8, 4, folder.Path());
    callback.Prime(&owner, 1);

    tagQVBitmapInfoHeader header{40, 8, 4, 1, 32, 0, 128, 0, 0, 0, 0};
    std::vector<uint8_t> sample(128, 0xEE);
    callback.FillFrame(nullptr, 0, 0, &header, sample.data(), 128);
    EXPECT_DOUBLE_EQ(callback.CurrentTime(), 1.0 / 30.0) << "the first sample shows 1/30 s";
    EXPECT_EQ(std::count(sample.begin(), sample.end(), 0), 128) << "no item: black";
    for (int i = 1; i < 90; ++i)
        callback.FillFrame(nullptr, i, i * 10000000 / 30, &header, sample.data(), 128);
    EXPECT_DOUBLE_EQ(owner.GetDeliveredSeconds(), 3.0);

    std::vector<double> history = callback.RecentTimes();
    ASSERT_EQ(history.size(), 16u);
    EXPECT_DOUBLE_EQ(history.front(), 75.0 / 30.0);
    EXPECT_DOUBLE_EQ(history.back(), 3.0);

    std::fill(sample.begin(), sample.end(), 0x5A);
    callback.DrawOverlays(nullptr, 0, 0, 0, sample.data(), 128, 0);
    EXPECT_EQ(sample[0], 0x5A);
}

TEST(VideoMixer, EachCallbackStartsWithEmptyWorkingFolders)
{
    test::CQVTestFolder folder;
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    {
        CVideoMixerUserCallback first(timeline, 8, 4, folder.Path());
        ASSERT_TRUE(test::WriteFileBytes(folder / "rwv/a.jpg", "x"));
        ASSERT_TRUE(test::WriteFileBytes(folder / "frameimage/1_tmp.png", "x"));
        CVideoMixerUserCallback second(timeline, 8, 4, folder.Path());
        EXPECT_TRUE(test::ListFiles(folder.Path()).empty());
        ASSERT_TRUE(test::WriteFileBytes(folder / "rwv/b.jpg", "x"));
    }
    std::vector<std::string> left = test::ListFiles(folder.Path());
    EXPECT_TRUE(std::none_of(left.begin(), left.end(),
                             [](const std::string& f) { return f.rfind("rwv/", 0) == 0; }));
}

TEST(FurtherCallbacks, CountingAndPictureDrawing)
{
    tagQVConverterSetup setup;
    CQVVideoConverter owner(setup);
    CVUserCallback counter(8, 4, 2.0);
    EXPECT_EQ(counter.Header().biSizeImage, 128u);
    EXPECT_EQ(counter.Header().biXPelsPerMeter, 3780);
    counter.Notify(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(owner.DeliveredFrames(), 0);
    counter.SetOwner(&owner, 1);
    counter.Notify(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(owner.DeliveredFrames(), 1);

    test::CQVTestFolder folder;
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    auto item = std::make_unique<tagQVMediaData>();
    item->eMediaType = 2;
    item->dEditorEndTime = 2.0;
    CQVItemRuntime& runtime = ItemRuntime(*item);
    timeline.FindLine(kLineMainVideo)->items.push_back(std::move(item));
    ASSERT_TRUE(MakeFolders(folder / "frameimage"));
    QImage red(2, 2, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    ASSERT_TRUE(red.save(QString::fromStdString(folder / "frameimage/" +
                                                std::to_string(runtime.Identity()) + "_tmp.png")));

    CVideoMixerUserCallbackEx drawer(timeline, 8, 4, folder.Path());
    drawer.SetClock(nullptr, 1, 30.0);
    QImage sample(8, 4, QImage::Format_ARGB32);
    sample.fill(Qt::black);
    {
        QPainter painter(&sample);
        drawer.FillFrame(&painter, 0, 0, nullptr, nullptr, 0);
    }
    EXPECT_DOUBLE_EQ(drawer.LastTime(), 1.0 / 30.0);
    EXPECT_FALSE(drawer.LastDrawn().empty());
    EXPECT_EQ(sample.pixel(7, 3), QColor(255, 0, 0).rgb()) << "stretched over the whole sample";
    EXPECT_EQ(drawer.DrawOverlays(nullptr, 0, 0, 0, nullptr, 0, 1), 0);
}

TEST_F(AudioMixFiles, LevelsTravelFromTheAudioToTheVideoSideInBothModes)
{
    ProjectTimeline timeline = ProjectTimeline::CreateEngineLines();
    timeline.bHasLevelMeter = 1;
    timeline.FindLine(kLineMainVideo)
        ->items.push_back(SoundItem(Wav("level.wav", 3200, -800), kLineMainVideo, 0.0, 3.0));
    CQVLevelMapping levels;
    ASSERT_TRUE(levels.Create(3.0, 30.0));
    CAudioMixerUserCallback mixer(timeline, "", 1);
    mixer.SetLevelSink(&levels);
    MixUntil(mixer, 0.1);
    ASSERT_EQ(levels.RecordsWritten(), 3u) << "one record per audio buffer";

    test::CQVTestFolder folder;
    CVideoMixerUserCallback video(timeline, 8, 4, folder.Path());
    video.SetLevelSource(&levels);
    std::vector<uint8_t> sample(128);
    for (int i = 0; i < 3; ++i)
        video.DrawOverlays(nullptr, 0, 0, 0, sample.data(), 128, 1);
    EXPECT_EQ(levels.RecordsRead(), 3u);
    EXPECT_EQ(video.Levels()[10], 3200) << "left levels of the constant source";
    EXPECT_EQ(video.Levels()[64 + 10], 800) << "right levels are magnitudes";
    // A frame with no record waiting gives up instead of hanging the video thread.
    video.DrawOverlays(nullptr, 0, 0, 0, sample.data(), 128, 1);
    EXPECT_EQ(levels.RecordsRead(), 3u);
    levels.Close(true);

    // The preview has no queue: the video side copies the audio callback's latest levels.
    CAudioMixerUserCallback previewMixer(timeline, "", 0);
    MixUntil(previewMixer, 0.1);
    CVideoMixerUserCallback previewVideo(timeline, 8, 4, folder.Path());
    previewVideo.SetPreviewLevelSource(&previewMixer);
    previewVideo.DrawOverlays(nullptr, 0, 0, 0, sample.data(), 128, 1);
    EXPECT_EQ(previewVideo.Levels()[10], 3200);
    EXPECT_EQ(previewVideo.Levels()[64 + 10], 800);
}
