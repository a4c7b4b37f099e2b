// The engine's side of Windows Media output: loading the profile file and the chain it
// configures, checked on written files.
#include "ConversionHelpers.h"
#include "tests/support/MediaProbe.h"

#include "encode/CQVMediaEventQueue.h"
#include "encode/CQVVideoConverter.h"
#include "encode/WindowsMediaWriter.h"
#include "formats/CQVChoiceVector.h"
#include "formats/WindowsMediaProfile.h"
#include "formats/WindowsMediaResults.h"
#include "tests/support/TestFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::test
{
namespace
{

tagQVOutputSettings WmvRecord(int32_t nKbps, int32_t nWidth, int32_t nHeight)
{
    tagQVOutputSettings record = TestRecord(7, nWidth, nHeight);
    EXPECT_EQ(ChooseDefaultWindowsMediaCodecs(&record), kQVWmOk);
    record.nSizeMode = 1;
    record.nVideoBitrate = nKbps;
    return record;
}

// The code of the format list entry with this description.
int32_t FormatCode(int32_t nCodec, const std::string& description)
{
    std::unique_ptr<CQVWmProfileManager> pManager;
    EXPECT_EQ(CQVWmProfileManager::Create(&pManager), kQVWmOk);
    CQVChoiceVector list;
    EXPECT_EQ(FillWmaFormatList(*pManager, &list, nCodec, 0), kQVWmOk);
    for (const auto& item : list.Items())
    {
        if (item.text == description)
            return item.nValue;
    }
    ADD_FAILURE() << description;
    return 0;
}

std::string AsUtf16(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii)
    {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

// Converts with the converter configured from the profile file, as the engine does.
tagQVConversionResult ConvertWithProfile(const std::string& path, tagQVOutputSettings* pRecord,
                                         const std::string& profilePath, double dDuration,
                                         double* pFrameRate = nullptr)
{
    tagQVConverterSetup setup;
    setup.pSettings = pRecord;
    setup.dDuration = dDuration;
    CQVVideoConverter converter(setup);
    CQVPatternCallback video(&converter);
    video.SetPattern(CQVPatternCallback::EPattern::Moving);
    CQVToneCallback audio;
    converter.SetVideoMixerCallback(&video);
    converter.SetAudioMixerCallback(&audio);
    converter.SetWindowsMediaConfigurator(
        [&](tagQVEncodeSettings* pSettings)
        { return ConfigureFromProfileFile(profilePath, pSettings); });
    tagQVConversionResult result;
    result.nBuildResult = converter.BuildConversionGraph(path);
    intptr_t nParam2 = 0;
    CQVMediaEventQueue* pEvents = converter.GetMediaEvent();
    if (pEvents == nullptr ||
        pEvents->GetEvent(&result.nEventCode, &result.nEventParam, &nParam2, 120000) != 0)
        result.nEventCode = 0;
    result.nDeliveredFrames = converter.DeliveredFrames();
    if (pFrameRate != nullptr)
        *pFrameRate = converter.EncodeSettings().dFrameRate;
    converter.Stop();
    converter.Close();
    return result;
}

// ffprobe's stream bit_rate (0 when not given).
int64_t DeclaredBitrate(const std::string& path, const char* pszStream)
{
    std::string out;
    if (RunProgram("ffprobe",
                   {"-v", "error", "-select_streams", pszStream, "-show_entries", "stream=bit_rate",
                    "-of", "csv=p=0", path},
                   &out, nullptr) != 0)
        return -1;
    return std::atoll(out.c_str());
}

TEST(WindowsMediaWriter, LoadingTellsWhyAProfileFileCannotBeRead)
{
    CQVTestFolder folder;
    CQVWmProfile profile;
    EXPECT_EQ(LoadProfileFile(folder / "missing.prx", &profile), static_cast<int32_t>(0x80070002u));
    EXPECT_EQ(LoadProfileFile(folder / "missing/wmv.prx", &profile),
              static_cast<int32_t>(0x80070002u));
    EXPECT_EQ(LoadProfileFile(folder.Path(), &profile), kQVWmNotDiskFile);
    ASSERT_EQ(mkfifo((folder / "fifo.prx").c_str(), 0600), 0);
    EXPECT_EQ(LoadProfileFile(folder / "fifo.prx", &profile), kQVWmNotDiskFile)
        << "a FIFO with no writer is refused, not waited on";
    EXPECT_EQ(LoadProfileFile("/dev/null", &profile), kQVWmNotDiskFile);

    ASSERT_TRUE(WriteFileBytes(folder / "big.prx", std::string(kQVMaxProfileFileBytes + 1, 'x')));
    EXPECT_EQ(LoadProfileFile(folder / "big.prx", &profile), static_cast<int32_t>(0x800700DFu));

    const tagQVOutputSettings record = WmvRecord(600, 320, 240);
    ASSERT_EQ(BuildWmvProfile(record, folder / "wmv.prx", nullptr), 1);
    if (geteuid() != 0) // root reads whatever the mode says
    {
        ASSERT_EQ(chmod((folder / "wmv.prx").c_str(), 0), 0);
        EXPECT_EQ(LoadProfileFile(folder / "wmv.prx", &profile), static_cast<int32_t>(0x80070005u));
        ASSERT_EQ(chmod((folder / "wmv.prx").c_str(), 0600), 0);
    }
    ASSERT_EQ(LoadProfileFile(folder / "wmv.prx", &profile), kQVWmOk);
    EXPECT_EQ(profile.Streams().size(), 2u);
}

TEST(WindowsMediaWriter, LoadingRefusesTextThatIsNoProfile)
{
    CQVTestFolder folder;
    const std::string path = folder / "wmv.prx";
    ASSERT_EQ(BuildWmvProfile(WmvRecord(600, 320, 240), path, nullptr), 1);
    std::string good;
    ASSERT_TRUE(ReadFileBytes(path, &good));
    auto load = [&](const std::string& bytes)
    {
        CQVWmProfile profile;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return LoadProfileFile(path, &profile);
    };
    auto replaced = [&](const std::string& from, const std::string& to)
    {
        std::string bytes = good;
        const size_t at = bytes.find(AsUtf16(from));
        EXPECT_NE(at, std::string::npos) << from;
        return bytes.replace(at, from.size() * 2, AsUtf16(to));
    };

    EXPECT_EQ(load(""), kQVWmInvalidData);
    EXPECT_EQ(load(std::string(3, '\xFF')), kQVWmInvalidData);
    EXPECT_EQ(load("<profile version=\"589824\"/>"), kQVWmInvalidData) << "UTF-8 is not read";
    EXPECT_EQ(load(good.substr(0, good.size() / 2)), kQVWmInvalidData) << "cut short";
    EXPECT_EQ(load(replaced("589824", "524288")), kQVWmInvalidData) << "another version";
    EXPECT_EQ(load(replaced("biwidth=\"320\"", "biwidth=\"3x0\"")), kQVWmInvalidData);
    EXPECT_EQ(load(replaced("bitrate=\"614400\"", "bitrate=\"99999999999\"")), kQVWmInvalidData);
    EXPECT_EQ(load(replaced("streamnumber=\"2\"", "streamnumber=\"1\"")), kQVWmInvalidData);
    EXPECT_EQ(load(replaced("majortype=\"audio\"", "majortype=\"text\"")), kQVWmInvalidData);
    EXPECT_EQ(load(replaced("<audioformat", "<audioformats")), kQVWmInvalidData);
    EXPECT_EQ(load(replaced("codec=\"wmav2\"", "codec=\"aac\"")), kQVWmNotSupported);
    EXPECT_EQ(load(replaced("codec=\"wmv2\"", "codec=\"libx264\"")), kQVWmNotSupported);
    // The text ends at its first zero, as the terminating zero the engine adds.
    EXPECT_EQ(load(good + std::string(2, '\0') + "garbage"), kQVWmOk);
    EXPECT_EQ(load(good + "\x01"), kQVWmOk) << "an odd last byte pairs with the added zero";
}

TEST(WindowsMediaWriter, TheProfileDecidesTheChain)
{
    CQVTestFolder folder;
    tagQVOutputSettings record = WmvRecord(2500, 640, 480);
    record.nWmaFormat = FormatCode(0, "64 kbps, 22 kHz, mono CBR");
    ASSERT_EQ(BuildWmvProfile(record, folder / "wmv.prx", nullptr), 1);
    CQVWmProfile profile;
    ASSERT_EQ(LoadProfileFile(folder / "wmv.prx", &profile), kQVWmOk);

    tagQVOutputSettings other = TestRecord(7, 160, 120); // quality priority, 160 x 120
    tagQVEncodeSettings settings;
    ASSERT_EQ(DeriveEncodeSettings(&other, {}, 2.0, 30.0, &settings), 0);
    ASSERT_EQ(ConfigureFromProfile(profile, &settings), kQVWmOk);
    EXPECT_EQ(settings.eVideoCodec, EQVVideoCodec::Wmv2);
    EXPECT_EQ(settings.nWidth, 640);
    EXPECT_EQ(settings.nHeight, 480);
    EXPECT_EQ(settings.eRateMode, EQVRateMode::Bitrate);
    EXPECT_EQ(settings.nVideoBitrate, 2560000);
    EXPECT_EQ(settings.dFrameRate, 30.0) << "333,333 units per frame are 30 frames/s";
    EXPECT_EQ(settings.nKeyFrameInterval, 240) << "8 s at 30 frames/s";
    EXPECT_EQ(settings.eAudioCodec, EQVAudioCodec::Wma2);
    EXPECT_EQ(settings.nAudioSampleRate, 22050);
    EXPECT_EQ(settings.eChannelMode, EQVChannelMode::Mono);
    EXPECT_EQ(settings.nAudioBitrateKbps, 64);
    EXPECT_TRUE(settings.bWindowsMedia);
    EXPECT_EQ(settings.eContainer, EQVContainer::Asf);

    // Values outside what the chain takes leave the settings alone.
    auto refused = [&](auto change)
    {
        CQVWmProfile changed;
        for (tagQVWmStreamConfig stream : profile.Streams())
        {
            change(&stream);
            changed.AddStream(stream);
        }
        tagQVEncodeSettings before = settings;
        const int32_t nResult = ConfigureFromProfile(changed, &before);
        return nResult == kQVWmInvalidData && before.nWidth == settings.nWidth &&
               before.nAudioSampleRate == settings.nAudioSampleRate;
    };
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->video.nWidth = 642 + 1; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->video.nHeight = 8; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->video.nAvgTimePerFrame = 0; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->video.nAvgTimePerFrame = 20000000; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->nMaxKeyFrameSpacing = -1; }));
    EXPECT_TRUE(refused(
        [](tagQVWmStreamConfig* p)
        {
            if (p->eType == EQVWmMediaType::Video)
                p->nBitrate = 0;
        }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->audio.nSampleRate = 37000; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->audio.nChannels = 6; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->audio.nAvgBytesPerSec = 1000; }));
    EXPECT_TRUE(refused([](tagQVWmStreamConfig* p) { p->eType = EQVWmMediaType::Video; }))
        << "two video streams and no audio";

    CQVWmProfile ntsc;
    for (tagQVWmStreamConfig stream : profile.Streams())
    {
        stream.video.nAvgTimePerFrame = 333667;
        stream.nMaxKeyFrameSpacing = 0;
        ntsc.AddStream(stream);
    }
    ASSERT_EQ(ConfigureFromProfile(ntsc, &settings), kQVWmOk);
    EXPECT_NEAR(settings.dFrameRate, 29.97, 0.001);
    EXPECT_EQ(settings.nKeyFrameInterval, 0) << "no spacing keeps the codec's own";
}

TEST(WindowsMediaWriter, FilesCarryTheProfilesStreams)
{
    CQVTestFolder folder;
    const std::string profilePath = folder / "wmv.prx";
    // The record's own size and quality mode give way to the profile.
    tagQVOutputSettings record = WmvRecord(400, 320, 240);
    record.nWmaFormat = FormatCode(0, "64 kbps, 22 kHz, mono CBR");
    ASSERT_EQ(BuildWmvProfile(record, profilePath, nullptr), 1);
    tagQVOutputSettings converted = TestRecord(7, 160, 120);

    const std::string path = folder / "out.wmv";
    double dFrameRate = 0.0;
    const tagQVConversionResult result =
        ConvertWithProfile(path, &converted, profilePath, 2.0, &dFrameRate);
    ASSERT_EQ(result.nBuildResult, 0);
    ASSERT_EQ(result.nEventCode, kQVEventComplete) << result.nEventParam;
    EXPECT_EQ(dFrameRate, 30.0);

    const tagQVProbe probe = ProbeFile(path);
    ASSERT_TRUE(probe.bOk);
    EXPECT_EQ(probe.formatName, "asf");
    const tagQVProbeStream* pVideo = probe.Find("video");
    const tagQVProbeStream* pAudio = probe.Find("audio");
    ASSERT_NE(pVideo, nullptr);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(pVideo->codecName, "wmv2");
    EXPECT_EQ(pVideo->width, 320);
    EXPECT_EQ(pVideo->height, 240);
    EXPECT_EQ(pVideo->rFrameRate, "30/1");
    EXPECT_EQ(pAudio->codecName, "wmav2");
    EXPECT_EQ(pAudio->sampleRate, 22050);
    EXPECT_EQ(pAudio->channels, 1);
    EXPECT_EQ(DeclaredBitrate(path, "a:0"), 64000);
    int64_t nBytes = 0;
    double dSeconds = 0.0;
    ASSERT_TRUE(VideoPacketStats(path, &nBytes, &dSeconds));
    // One key frame in two seconds costs the rate control some accuracy.
    EXPECT_NEAR(nBytes * 8.0 / 2.0, 409600.0, 409600.0 * 0.25) << "400 kbit/s x 1024";
    const std::string types = FrameTypes(path);
    EXPECT_EQ(types.size(), 60u);
    EXPECT_EQ(std::count(types.begin(), types.end(), 'I'), 1) << "one key frame per 8 s";

    tagQVOutputSettings asf = WmvRecord(300, 160, 96);
    asf.nOutputFormat = 8;
    asf.nWmvCodec = 1;
    asf.nWmaCodec = 1;
    asf.nWmaFormat = FormatCode(1, "32 kbps, 8 kHz, stereo CBR");
    ASSERT_EQ(BuildWmvProfile(asf, profilePath, nullptr), 1);
    const std::string asfPath = folder / "out.asf";
    ASSERT_EQ(ConvertWithProfile(asfPath, &asf, profilePath, 1.0).nEventCode, kQVEventComplete);
    const tagQVProbe asfProbe = ProbeFile(asfPath);
    ASSERT_TRUE(asfProbe.bOk);
    ASSERT_NE(asfProbe.Find("video"), nullptr);
    ASSERT_NE(asfProbe.Find("audio"), nullptr);
    EXPECT_EQ(asfProbe.Find("video")->codecName, "wmv1");
    EXPECT_EQ(asfProbe.Find("video")->width, 160);
    EXPECT_EQ(asfProbe.Find("video")->height, 96);
    EXPECT_EQ(asfProbe.Find("audio")->codecName, "wmav1");
    EXPECT_EQ(asfProbe.Find("audio")->sampleRate, 8000);
    EXPECT_EQ(asfProbe.Find("audio")->channels, 2);
    EXPECT_EQ(DeclaredBitrate(asfPath, "a:0"), 32000);
}

TEST(WindowsMediaWriter, AProfileThatCannotBeLoadedFailsTheBuildWithoutAFile)
{
    CQVTestFolder folder;
    tagQVOutputSettings record = TestRecord(7);
    const std::string path = folder / "out.wmv";
    const tagQVConversionResult result =
        ConvertWithProfile(path, &record, folder / "missing.prx", 1.0);
    EXPECT_EQ(result.nBuildResult, static_cast<int32_t>(0x80070002u));
    EXPECT_EQ(result.nEventCode, kQVEventErrorAbort);
    EXPECT_EQ(result.nEventParam, static_cast<int32_t>(0x80070002u));
    struct stat info;
    EXPECT_NE(stat(path.c_str(), &info), 0);
    EXPECT_EQ(CountTemporaryFiles(folder.Path()), 0);
}

} // namespace
} // namespace qv::test
