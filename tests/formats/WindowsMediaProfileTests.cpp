// The front-end's side of Windows Media output: codec and format lists, default codecs,
// format codes and the saved profile file.
#include "formats/CQVChoiceVector.h"
#include "formats/LanguageTags.h"
#include "formats/WindowsMediaProfile.h"
#include "formats/WindowsMediaResults.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace qv::test
{
namespace
{

std::unique_ptr<CQVWmProfileManager> Manager()
{
    std::unique_ptr<CQVWmProfileManager> pManager;
    EXPECT_EQ(CQVWmProfileManager::Create(&pManager), kQVWmOk);
    return pManager;
}

std::vector<std::string> Texts(const CQVChoiceVector& list)
{
    std::vector<std::string> texts;
    for (const auto& item : list.Items())
        texts.push_back(item.text);
    return texts;
}

// The WMV record the render flow would write a profile for.
tagQVOutputSettings WmvRecord(int32_t nKbps = 2500, int32_t nWidth = 640, int32_t nHeight = 480)
{
    tagQVOutputSettings record = DefaultPresets(PresetTable::FrontEnd)[4];
    EXPECT_EQ(ChooseDefaultWindowsMediaCodecs(&record), kQVWmOk);
    record.nSizeMode = 1;
    record.nVideoBitrate = nKbps;
    record.nWidth = nWidth;
    record.nHeight = nHeight;
    return record;
}

// The saved file: UTF-16 little-endian without a byte-order mark.
bool ReadProfile(const std::string& path, std::string* pBytes, CQVWmProfile* pProfile)
{
    if (!ReadFileBytes(path, pBytes) || pBytes->size() % 2 != 0)
        return false;
    std::u16string text;
    for (size_t i = 0; i < pBytes->size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>((*pBytes)[i]) |
                                             static_cast<unsigned char>((*pBytes)[i + 1]) << 8));
    return Manager()->LoadProfileByData(text, pProfile) == kQVWmOk;
}

int32_t Property(const tagQVWmStreamConfig& stream, const char* pszName)
{
    int32_t nValue = -1;
    return stream.GetProperty(pszName, &nValue) ? nValue : -1;
}

TEST(WindowsMediaCodecs, ListsNameWhatThisFfmpegEncodesNewestFirst)
{
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    CQVChoiceVector video;
    ASSERT_EQ(FillWmvCodecList(*pManager, &video, 0), kQVWmOk);
    EXPECT_EQ(Texts(video),
              (std::vector<std::string>{"Windows Media Video V8", "Windows Media Video V7"}));
    EXPECT_EQ(video.Items()[1].nValue, 1);
    EXPECT_EQ(video.Selection(), 0);
    ASSERT_EQ(FillWmvCodecList(*pManager, &video, 9), kQVWmOk);
    EXPECT_EQ(video.Selection(), 1) << "a too large index is lowered to the last entry";
    EXPECT_EQ(video.Count(), 2) << "the list is filled anew";

    CQVChoiceVector audio;
    ASSERT_EQ(FillWmaCodecList(*pManager, &audio, 1), kQVWmOk);
    EXPECT_EQ(Texts(audio),
              (std::vector<std::string>{"Windows Media Audio 9.2", "Windows Media Audio V1"}));
    EXPECT_EQ(audio.Selection(), 1);
    EXPECT_EQ(FillWmaCodecList(*pManager, nullptr, 0), kQVWmInvalidArgument);
}

TEST(WindowsMediaCodecs, FormatListShowsConstantBitrateFormatsWithTheirCodes)
{
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    for (int32_t nCodec : {0, 1})
    {
        CQVChoiceVector formats;
        ASSERT_EQ(FillWmaFormatList(*pManager, &formats, nCodec, 0), kQVWmOk);
        ASSERT_GT(formats.Count(), 20);
        const std::regex pattern("(\\d+) kbps, (\\d+) kHz, (mono|stereo) CBR");
        int32_t nCount = 0;
        ASSERT_EQ(pManager->GetCodecFormatCount(EQVWmMediaType::Audio, nCodec, {}, &nCount),
                  kQVWmOk);
        EXPECT_EQ(formats.Count(), nCount) << "only the variable-bitrate entries are dropped";
        for (int32_t i = 0; i < formats.Count(); ++i)
        {
            const auto& item = formats.Items()[static_cast<size_t>(i)];
            std::smatch match;
            ASSERT_TRUE(std::regex_match(item.text, match, pattern)) << item.text;
            EXPECT_EQ(item.nValue, i) << "a constant-bitrate code is the format's index";
            const int nKbps = std::stoi(match[1]);
            const int nKhz = std::stoi(match[2]);
            EXPECT_GE(nKbps, 24) << item.text;
            EXPECT_LE(nKbps * 1000, nKhz * 1000 * (match[3] == "mono" ? 1 : 2) * 4 + 4000)
                << item.text;
        }
        EXPECT_EQ(formats.Selection(), 0) << "code 0 is the first entry";
    }

    CQVChoiceVector formats;
    ASSERT_EQ(FillWmaFormatList(*pManager, &formats, 0, 7), kQVWmOk);
    EXPECT_EQ(formats.Selection(), 7);
    ASSERT_EQ(FillWmaFormatList(*pManager, &formats, 0, 10007), kQVWmOk);
    EXPECT_EQ(formats.Selection(), 0) << "a code not listed selects the first entry";
    EXPECT_EQ(FillWmaFormatList(*pManager, &formats, 5, 0), kQVWmInvalidArgument);
    EXPECT_EQ(formats.Count(), 0);
}

TEST(WindowsMediaCodecs, VariableBitrateEnumerationsMirrorTheConstantOne)
{
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    int32_t nCbr = 0, nOnePass = 0, nTwoPass = 0;
    ASSERT_EQ(pManager->GetCodecFormatCount(EQVWmMediaType::Audio, 0, {false, 0}, &nCbr), 0);
    ASSERT_EQ(pManager->GetCodecFormatCount(EQVWmMediaType::Audio, 0, {true, 1}, &nOnePass), 0);
    ASSERT_EQ(pManager->GetCodecFormatCount(EQVWmMediaType::Audio, 0, {true, 2}, &nTwoPass), 0);
    EXPECT_EQ(nOnePass, nCbr);
    EXPECT_EQ(nTwoPass, nCbr);
    std::string cbr, vbr;
    ASSERT_EQ(pManager->GetCodecFormatDesc(EQVWmMediaType::Audio, 0, {false, 0}, 3, &cbr), 0);
    ASSERT_EQ(pManager->GetCodecFormatDesc(EQVWmMediaType::Audio, 0, {true, 2}, 3, &vbr), 0);
    EXPECT_EQ(vbr, cbr.substr(0, cbr.size() - 3) + "2-pass VBR");
    EXPECT_EQ(pManager->GetCodecFormatCount(EQVWmMediaType::Audio, 0, {true, 3}, &nCbr),
              kQVWmInvalidArgument);
    EXPECT_EQ(pManager->GetCodecFormatDesc(EQVWmMediaType::Audio, 0, {false, 0}, nTwoPass, &cbr),
              kQVWmInvalidArgument);
}

TEST(WindowsMediaCodecs, LosslessVbrAndSurroundFilters)
{
    const std::string standard = "Windows Media Audio 9.2";
    const std::string lossless = "Windows Media Audio 9.2 Lossless";
    EXPECT_TRUE(ShowsWmaFormat(standard, "128 kbps, 44 kHz, stereo CBR"));
    EXPECT_FALSE(ShowsWmaFormat(standard, "128 kbps, 44 kHz, stereo 1-pass VBR"));
    EXPECT_FALSE(ShowsWmaFormat(standard, "384 kbps, 48 kHz, 5.1 channel CBR"));
    EXPECT_TRUE(ShowsWmaFormat(lossless, "VBR Quality 100, 44 kHz, 2 channel 16 bit 1-pass VBR"));
    EXPECT_FALSE(ShowsWmaFormat(lossless, "VBR Quality 100, 48 kHz, 5.1 channel 24 bit VBR"));
    EXPECT_TRUE(ShowsWmaFormat(lossless, "128 kbps, 44 kHz, stereo CBR"));
}

TEST(WindowsMediaCodecs, FormatCodesCarryPassesTimesFiveThousand)
{
    const tagQVWmaFormatCode vbr = DecodeWmaFormatCode(10003);
    EXPECT_EQ(vbr.nFormatIndex, 3);
    EXPECT_TRUE(vbr.bVbrEnabled);
    EXPECT_EQ(vbr.nPasses, 2);
    const tagQVWmaFormatCode cbr = DecodeWmaFormatCode(3);
    EXPECT_EQ(cbr.nFormatIndex, 3);
    EXPECT_FALSE(cbr.bVbrEnabled);
    EXPECT_EQ(cbr.nPasses, 0);
    EXPECT_EQ(DecodeWmaFormatCode(5000).nPasses, 1);
    EXPECT_EQ(DecodeWmaFormatCode(5000).nFormatIndex, 0);
    EXPECT_EQ(WmaFormatCode(3, 2), 10003);
    EXPECT_EQ(WmaFormatCode(3, 0), 3);
}

TEST(WindowsMediaCodecs, DefaultsLandOnTheNewestCodecsAt128Kbps)
{
    tagQVOutputSettings record = DefaultPresets(PresetTable::FrontEnd)[4];
    record.nOutputFormat = 0;
    record.nWmvCodec = 1;
    record.nWmaCodec = 1;
    record.nWmaFormat = 12;
    ASSERT_EQ(ChooseDefaultWindowsMediaCodecs(&record), kQVWmOk);
    EXPECT_EQ(record.nOutputFormat, 7);
    EXPECT_EQ(record.nWmvCodec, 0);
    EXPECT_EQ(record.nWmaCodec, 0);
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    std::string description;
    ASSERT_EQ(
        pManager->GetCodecFormatDesc(EQVWmMediaType::Audio, 0, {}, record.nWmaFormat, &description),
        kQVWmOk);
    EXPECT_EQ(description, "128 kbps, 44 kHz, stereo CBR");
    EXPECT_EQ(ChooseDefaultWindowsMediaCodecs(nullptr), kQVWmInvalidArgument);
}

TEST(WindowsMediaProfileFile, OtherOutputTypesLeaveTheFileAlone)
{
    CQVTestFolder folder;
    tagQVOutputSettings record = WmvRecord();
    record.nOutputFormat = 0;
    const std::string path = folder / "wmv.prx";
    ASSERT_TRUE(WriteFileBytes(path, "previous"));
    std::string message = "stale";
    EXPECT_EQ(BuildWmvProfile(record, path, &message), 1);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, &bytes));
    EXPECT_EQ(bytes, "previous");
    EXPECT_EQ(message, "");
    record.nOutputFormat = 13;
    EXPECT_EQ(BuildWmvProfile(record, folder / "none.prx", nullptr), 1);
    struct stat info;
    EXPECT_NE(stat((folder / "none.prx").c_str(), &info), 0);
}

TEST(WindowsMediaProfileFile, CarriesTheStreamsAsDescribed)
{
    CQVTestFolder folder;
    const std::string path = folder / "wmv.prx";
    // A longer file in the way must be replaced, not overwritten in front.
    ASSERT_TRUE(WriteFileBytes(path, std::string(100000, 'x')));
    const tagQVOutputSettings record = WmvRecord(2500, 640, 480);
    std::string message;
    ASSERT_EQ(BuildWmvProfile(record, path, &message), 1);
    EXPECT_EQ(message, "");

    std::string bytes;
    CQVWmProfile profile;
    ASSERT_TRUE(ReadProfile(path, &bytes, &profile));
    EXPECT_NE(bytes.substr(0, 2), "\xFF\xFE") << "no byte-order mark";
    EXPECT_EQ(bytes.substr(0, 4), std::string("<\0p\0", 4)) << "the text starts at once";
    EXPECT_EQ(bytes.find(std::string(2, '\0')), std::string::npos) << "no terminating zero";
    EXPECT_LT(bytes.size(), 100000u);

    EXPECT_EQ(profile.Name(), u"WM Media Profile");
    EXPECT_EQ(profile.Description(), u"1 Audio 1 Video");
    ASSERT_EQ(profile.Streams().size(), 2u);
    const tagQVWmStreamConfig& video = profile.Streams()[0];
    EXPECT_EQ(video.eType, EQVWmMediaType::Video);
    EXPECT_EQ(video.wStreamNumber, 1);
    EXPECT_EQ(video.szStreamName, u"Video1");
    EXPECT_EQ(video.nBitrate, 2560000) << "kbit/s times 1024";
    EXPECT_EQ(video.video.nBitrate, 2560000);
    EXPECT_EQ(video.nBufferWindowMs, 3000);
    EXPECT_EQ(video.video.codec, "wmv2");
    EXPECT_EQ(video.video.nWidth, 640);
    EXPECT_EQ(video.video.nHeight, 480);
    EXPECT_EQ(video.video.rcSource.nRight, 640);
    EXPECT_EQ(video.video.rcTarget.nBottom, 480);
    EXPECT_EQ(video.video.nAvgTimePerFrame, 333333) << "10,000,000 / 30, truncated";
    EXPECT_EQ(video.nMaxKeyFrameSpacing, 80000000) << "a key frame every 8 s";
    EXPECT_EQ(video.nQuality, 100);
    EXPECT_EQ(Property(video, kQVWmVbrEnabled), 0);
    EXPECT_EQ(Property(video, kQVWmVbrQuality), 0) << "mode 1 stores its quality";
    std::string language;
    ASSERT_TRUE(Rfc1766FromLcid(SystemDefaultLcid(), &language));
    EXPECT_EQ(video.language, language);

    const tagQVWmStreamConfig& audio = profile.Streams()[1];
    EXPECT_EQ(audio.eType, EQVWmMediaType::Audio);
    EXPECT_EQ(audio.wStreamNumber, 2);
    EXPECT_EQ(audio.szStreamName, u"Audio2");
    EXPECT_EQ(audio.nBitrate, 128000);
    EXPECT_EQ(audio.nBufferWindowMs, 3000);
    EXPECT_EQ(audio.audio.codec, "wmav2");
    EXPECT_EQ(audio.audio.nFormatTag, 0x0161);
    EXPECT_EQ(audio.audio.nSampleRate, 44100);
    EXPECT_EQ(audio.audio.nChannels, 2);
    EXPECT_EQ(Property(audio, kQVWmVbrEnabled), 0);
    EXPECT_EQ(audio.language, language);

    tagQVOutputSettings asf = record;
    asf.nOutputFormat = 8;
    asf.nWmvCodec = 1;
    asf.nWmaCodec = 1;
    ASSERT_EQ(BuildWmvProfile(asf, path, nullptr), 1);
    ASSERT_TRUE(ReadProfile(path, &bytes, &profile));
    EXPECT_EQ(profile.Streams()[0].video.codec, "wmv1");
    EXPECT_EQ(profile.Streams()[1].audio.codec, "wmav1");
}

TEST(WindowsMediaProfileFile, FormatCodeChoosesFormatAndBitrateMode)
{
    CQVTestFolder folder;
    const std::string path = folder / "wmv.prx";
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    tagQVWmStreamConfig format3;
    ASSERT_EQ(pManager->GetCodecFormat(EQVWmMediaType::Audio, 0, {}, 3, &format3), kQVWmOk);

    tagQVOutputSettings record = WmvRecord();
    std::string bytes;
    CQVWmProfile profile;
    record.nWmaFormat = 10003;
    ASSERT_EQ(BuildWmvProfile(record, path, nullptr), 1);
    ASSERT_TRUE(ReadProfile(path, &bytes, &profile));
    const tagQVWmStreamConfig* pAudio = profile.FindStream(EQVWmMediaType::Audio);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(Property(*pAudio, kQVWmVbrEnabled), 1);
    EXPECT_EQ(Property(*pAudio, kQVWmPassesUsed), 2);
    EXPECT_EQ(pAudio->audio.nSampleRate, format3.audio.nSampleRate);
    EXPECT_EQ(pAudio->audio.nChannels, format3.audio.nChannels);
    EXPECT_EQ(pAudio->nBitrate, format3.nBitrate);

    record.nWmaFormat = 3;
    ASSERT_EQ(BuildWmvProfile(record, path, nullptr), 1);
    ASSERT_TRUE(ReadProfile(path, &bytes, &profile));
    pAudio = profile.FindStream(EQVWmMediaType::Audio);
    ASSERT_NE(pAudio, nullptr);
    EXPECT_EQ(Property(*pAudio, kQVWmVbrEnabled), 0);
    EXPECT_EQ(Property(*pAudio, kQVWmPassesUsed), -1);
    EXPECT_EQ(pAudio->audio.nSampleRate, format3.audio.nSampleRate);
    EXPECT_EQ(pAudio->nBitrate, format3.nBitrate);
}

TEST(WindowsMediaProfileFile, AStreamThatCannotBeAddedNamesItself)
{
    CQVTestFolder folder;
    const std::string path = folder / "wmv.prx";
    struct stat info;
    struct
    {
        int32_t nWmv, nWma, nFormat, nKbps;
        const char* pszMessage;
    } const cases[] = {
        {5, 0, 0, 2500, "Add Video Stream To Profile Fialed"},
        {-1, -1, 0, 2500, "Add Video Stream To Profile Fialed"}, // no codecs stored
        {0, 0, 2500, 0, "Add Video Stream To Profile Fialed"},   // no bitrate
        {0, -1, 0, 2500, "Add Audio Stream To Profile Fialed"},
        {0, 0, 4999, 2500, "Add Audio Stream To Profile Fialed"},  // no such format
        {0, 0, 15000, 2500, "Add Audio Stream To Profile Fialed"}, // three passes
        {0, 0, -1, 2500, "Add Audio Stream To Profile Fialed"},
    };
    for (const auto& c : cases)
    {
        tagQVOutputSettings record = WmvRecord(c.nKbps);
        record.nWmvCodec = c.nWmv;
        record.nWmaCodec = c.nWma;
        record.nWmaFormat = c.nFormat;
        std::string message;
        EXPECT_EQ(BuildWmvProfile(record, path, &message), 0);
        EXPECT_EQ(message, c.pszMessage) << c.nWmv << " " << c.nWma << " " << c.nFormat;
        EXPECT_NE(stat(path.c_str(), &info), 0) << "nothing is written";
    }
    std::string message = "stale";
    EXPECT_EQ(BuildWmvProfile(WmvRecord(), folder / "missing/wmv.prx", &message), 0);
    EXPECT_EQ(message, "") << "a file that cannot be written is no stream failure";
}

TEST(WindowsMediaProfileFile, VideoVariableBitrateModesSetTheirProperties)
{
    auto pManager = Manager();
    ASSERT_TRUE(pManager);
    CQVProfileRef<CQVStream> stream(new CQVStream());
    stream->nStreamKind = kQVStreamVideo;
    stream->wStreamNumber = 1;
    stream->bVbrEnabled = 1;
    stream->nMaxBitrate = 900000;
    stream->nMaxBufferWindowMs = 5000;

    stream->nVbrMode = 2;
    CQVWmProfile profile;
    ASSERT_EQ(AddStreamToProfile(*pManager, *stream, &profile), kQVWmOk);
    const tagQVWmStreamConfig& constrained = profile.Streams()[0];
    EXPECT_EQ(Property(constrained, kQVWmVbrEnabled), 1);
    EXPECT_EQ(Property(constrained, kQVWmRMax), 900000);
    EXPECT_EQ(Property(constrained, kQVWmBMax), 5000);
    EXPECT_EQ(Property(constrained, kQVWmVbrQuality), -1);
    EXPECT_EQ(constrained.video.rcSource.nRight, 320) << "the description's default size";
    EXPECT_EQ(constrained.video.rcSource.nBottom, 200);

    stream->nVbrMode = 4;
    stream->wStreamNumber = 2;
    EXPECT_EQ(AddStreamToProfile(*pManager, *stream, &profile), kQVWmFail);
    stream->nVbrMode = 3;
    stream->wStreamNumber = 1;
    EXPECT_EQ(AddStreamToProfile(*pManager, *stream, &profile), kQVWmInvalidArgument)
        << "stream number 1 is taken";
    CQVProfileRef<CQVStream> none(new CQVStream());
    none->wStreamNumber = 3;
    EXPECT_EQ(AddStreamToProfile(*pManager, *none, &profile), kQVWmInvalidArgument);
    EXPECT_EQ(profile.Streams().size(), 1u);
}

TEST(WindowsMediaProfileFile, ProfileObjectsAreCountedAndFreedOnce)
{
    static int s_nDestroyed = 0;
    class CCounted : public CQVStream
    {
    protected:
        ~CCounted() override { ++s_nDestroyed; }
    };
    CProfileObject* pObject = new CCounted();
    EXPECT_EQ(pObject->Retain(), 2);
    EXPECT_EQ(pObject->Release(), 1);
    EXPECT_EQ(s_nDestroyed, 0);
    EXPECT_EQ(pObject->Release(), 0);
    EXPECT_EQ(s_nDestroyed, 1);

    CQVProfileRef<CQVStream> stream(new CQVStream());
    EXPECT_EQ(stream->nStreamKind, kQVStreamNone);
    EXPECT_EQ(stream->nSecondsPerKeyFrame, 3000);
    EXPECT_EQ(stream->nMaxBitrate, 10000);
    EXPECT_EQ(stream->nLanguage, SystemDefaultLcid());
}

TEST(WindowsMediaProfileFile, LanguagesFollowTheLocale)
{
    std::string tag;
    EXPECT_EQ(LcidFromLocaleName("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LcidFromLocaleName("en_GB.UTF-8@euro"), 0x0809);
    EXPECT_EQ(LcidFromLocaleName("C.UTF-8"), kQVLcidEnglishUs);
    EXPECT_EQ(LcidFromLocaleName(""), kQVLcidEnglishUs);
    EXPECT_EQ(LcidFromLocaleName("de_LU.UTF-8"), 0x0007) << "the language alone";
    ASSERT_TRUE(Rfc1766FromLcid(0x0007, &tag));
    EXPECT_EQ(tag, "de");
    ASSERT_TRUE(Rfc1766FromLcid(0x0411, &tag));
    EXPECT_EQ(tag, "ja-jp");
    EXPECT_FALSE(Rfc1766FromLcid(0x7777, &tag));
}

// The profile's time per frame carries the record's rate to the unit, and the engine reads
// the very rate back from it.
TEST(WindowsMediaProfileFile, TheTimePerFrameCarriesTheOutputFrameRate)
{
    struct tagCase
    {
        int32_t nOutputFrameRate;
        tagQVSourceFrameRates source;
        int64_t nTimePerFrame;
        double dReadBack;
    };
    const tagCase kCases[] = {
        {kFrameRateFixed30, {}, 333333, 30.0},
        {23976, {}, 417083, 24000.0 / 1001.0},
        {25000, {}, 400000, 25.0},
        {59940, {}, 166833, 60000.0 / 1001.0},
        {kFrameRateSameAsSource, {30000.0 / 1001.0, 29.97}, 333667, 30000.0 / 1001.0},
        {kFrameRateSameAsSource, {120.0, 120.0}, 166667, 60.0},
        {12345, {}, 333333, 30.0},
    };
    CQVTestFolder folder;
    for (const tagCase& c : kCases)
    {
        tagQVOutputSettings record = WmvRecord();
        record.nOutputFrameRate = c.nOutputFrameRate;
        ASSERT_EQ(BuildWmvProfile(record, folder / "wmv.prx", nullptr, c.source), 1);
        std::string bytes;
        CQVWmProfile profile;
        ASSERT_TRUE(ReadProfile(folder / "wmv.prx", &bytes, &profile));
        ASSERT_FALSE(profile.Streams().empty());
        const int64_t nUnits = profile.Streams()[0].video.nAvgTimePerFrame;
        EXPECT_EQ(nUnits, c.nTimePerFrame) << c.nOutputFrameRate;
        EXPECT_NEAR(FrameRateFromTimePerFrame(nUnits), c.dReadBack, 1e-12) << c.nOutputFrameRate;
    }
}

} // namespace
} // namespace qv::test
