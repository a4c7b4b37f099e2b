#include "formats/WindowsMediaProfile.h"

#include "formats/LanguageTags.h"
#include "formats/OutputTypes.h"
#include "formats/WindowsMediaResults.h"
#include "project/FileBytes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>

namespace qv
{

namespace
{

constexpr const char* kVideoFilter = "Windows Media Video";
constexpr const char* kAudioFilter = "Windows Media Audio";
constexpr int64_t kUnitsPerSecond = 10000000; // 100-ns units

const tagQVWmEnumeration kEnumerations[] = {{false, 0}, {true, 1}, {true, 2}};

bool Contains(const std::string& text, const char* pszPart)
{
    return text.find(pszPart) != std::string::npos;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// The names of the type's codecs that contain the filter text, in list order.
int32_t FilteredCodecNames(const CQVWmProfileManager& manager, EQVWmMediaType eType,
                           std::vector<std::string>* pNames)
{
    int32_t nCount = 0;
    int32_t nResult = manager.GetCodecInfoCount(eType, &nCount);
    const char* pszFilter = eType == EQVWmMediaType::Video ? kVideoFilter : kAudioFilter;
    for (int32_t i = 0; nResult == kQVWmOk && i < nCount; ++i)
    {
        std::string name;
        nResult = manager.GetCodecName(eType, i, &name);
        if (nResult == kQVWmOk && Contains(name, pszFilter))
            pNames->push_back(name);
    }
    return nResult;
}

int32_t FillCodecList(const CQVWmProfileManager& manager, EQVWmMediaType eType,
                      IQVChoiceList* pList, int32_t nSelectedCodec)
{
    if (pList == nullptr)
        return kQVWmInvalidArgument;
    pList->ResetContent();
    std::vector<std::string> names;
    const int32_t nResult = FilteredCodecNames(manager, eType, &names);
    if (nResult != kQVWmOk)
        return nResult;
    for (size_t i = 0; i < names.size(); ++i)
        pList->AddItem(names[i], static_cast<int32_t>(i));
    pList->SetSelection(std::min(nSelectedCodec, pList->Count() - 1));
    return kQVWmOk;
}

// A new stream of the profile carrying the described stream's number, its name ("Video<n>"
// or "Audio<n>"), the bitrate and the buffer window.
tagQVWmStreamConfig NewStream(CQVWmProfile* pProfile, EQVWmMediaType eType, const CQVStream& stream,
                              int32_t nBitrate)
{
    tagQVWmStreamConfig config = pProfile->CreateNewStream(eType);
    const std::string number = std::to_string(stream.wStreamNumber);
    config.wStreamNumber = stream.wStreamNumber;
    config.szStreamName = (eType == EQVWmMediaType::Video ? u"Video" : u"Audio") +
                          std::u16string(number.begin(), number.end());
    config.nBitrate = nBitrate;
    config.nBufferWindowMs = stream.nBufferWindowMs;
    return config;
}

void SetLanguage(int32_t nLcid, tagQVWmStreamConfig* pConfig)
{
    std::string tag;
    if (Rfc1766FromLcid(nLcid, &tag))
        pConfig->language = tag;
}

int32_t AddAudioStream(const CQVWmProfileManager& manager, const CQVStream& stream,
                       CQVWmProfile* pProfile)
{
    const tagQVWmaFormatCode code = DecodeWmaFormatCode(stream.nAudioFormatCode);
    tagQVWmStreamConfig format;
    const int32_t nResult =
        manager.GetCodecFormat(EQVWmMediaType::Audio, stream.nCodecIndex,
                               {code.bVbrEnabled, code.nPasses}, code.nFormatIndex, &format);
    if (nResult != kQVWmOk)
        return nResult;
    tagQVWmStreamConfig config =
        NewStream(pProfile, EQVWmMediaType::Audio, stream, format.nBitrate);
    config.audio = format.audio;
    config.SetProperty(kQVWmVbrEnabled, code.bVbrEnabled ? 1 : 0);
    if (code.bVbrEnabled)
        config.SetProperty(kQVWmPassesUsed, code.nPasses);
    SetLanguage(stream.nLanguage, &config);
    return pProfile->AddStream(config);
}

int32_t AddVideoStream(const CQVWmProfileManager& manager, const CQVStream& stream,
                       CQVWmProfile* pProfile)
{
    if (stream.nVbrMode < kQVVbrOff || stream.nVbrMode > kQVVbrUnconstrained)
        return kQVWmFail;
    if (stream.nWidth <= 0 || stream.nHeight <= 0 || stream.nFrameRate <= 0 || stream.nBitrate <= 0)
        return kQVWmInvalidArgument;
    const int32_t nPasses = stream.nVbrMode == kQVVbrOff       ? 0
                            : stream.nVbrMode == kQVVbrQuality ? 1
                                                               : 2;
    const bool bVbr = stream.bVbrEnabled != 0;
    tagQVWmStreamConfig format;
    const int32_t nResult = manager.GetCodecFormat(EQVWmMediaType::Video, stream.nCodecIndex,
                                                   {bVbr, nPasses}, 0, &format);
    if (nResult != kQVWmOk)
        return nResult;
    tagQVWmStreamConfig config =
        NewStream(pProfile, EQVWmMediaType::Video, stream, stream.nBitrate);
    config.video = format.video;
    config.video.rcSource = {0, 0, stream.nWidth, stream.nHeight};
    config.video.rcTarget = config.video.rcSource;
    config.video.nWidth = stream.nWidth;
    config.video.nHeight = stream.nHeight;
    config.video.nBitrate = stream.nBitrate;
    config.video.nAvgTimePerFrame =
        stream.nTimePerFrame > 0 ? stream.nTimePerFrame : kUnitsPerSecond / stream.nFrameRate;
    config.nQuality = stream.nQuality;
    config.nMaxKeyFrameSpacing = stream.nSecondsPerKeyFrame * kUnitsPerSecond;
    config.SetProperty(kQVWmVbrEnabled, bVbr ? 1 : 0);
    if (stream.nVbrMode == kQVVbrQuality)
        config.SetProperty(kQVWmVbrQuality, stream.nVbrQuality);
    if (stream.nVbrMode == kQVVbrConstrained)
    {
        config.SetProperty(kQVWmRMax, stream.nMaxBitrate);
        if (stream.nMaxBufferWindowMs != 0)
            config.SetProperty(kQVWmBMax, stream.nMaxBufferWindowMs);
    }
    SetLanguage(stream.nLanguage, &config);
    return pProfile->AddStream(config);
}

bool WriteUtf16Text(const std::string& path, const std::u16string& text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text)
    {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return WriteFileBytes(path, bytes);
}

} // namespace

int32_t WmaFormatCode(int32_t nFormatIndex, int32_t nPasses)
{
    return nPasses * kQVWmaPassStep + nFormatIndex;
}

tagQVWmaFormatCode DecodeWmaFormatCode(int32_t nCode)
{
    tagQVWmaFormatCode code;
    code.nFormatIndex = nCode % kQVWmaPassStep;
    code.nPasses = nCode / kQVWmaPassStep;
    code.bVbrEnabled = code.nPasses != 0;
    return code;
}

bool ShowsWmaFormat(const std::string& codecName, const std::string& description)
{
    if (Contains(description, "5.1"))
        return false;
    return Contains(codecName, "Lossless") || !Contains(description, "VBR");
}

int32_t FillWmvCodecList(const CQVWmProfileManager& manager, IQVChoiceList* pList,
                         int32_t nSelectedCodec)
{
    return FillCodecList(manager, EQVWmMediaType::Video, pList, nSelectedCodec);
}

int32_t FillWmaCodecList(const CQVWmProfileManager& manager, IQVChoiceList* pList,
                         int32_t nSelectedCodec)
{
    return FillCodecList(manager, EQVWmMediaType::Audio, pList, nSelectedCodec);
}

int32_t FillWmaFormatList(const CQVWmProfileManager& manager, IQVChoiceList* pList, int32_t nCodec,
                          int32_t nSelectedCode)
{
    if (pList == nullptr)
        return kQVWmInvalidArgument;
    pList->ResetContent();
    std::string codecName;
    int32_t nResult = manager.GetCodecName(EQVWmMediaType::Audio, nCodec, &codecName);
    if (nResult != kQVWmOk)
        return nResult;
    int32_t nSelection = -1;
    for (const tagQVWmEnumeration& enumeration : kEnumerations)
    {
        int32_t nCount = 0;
        nResult = manager.GetCodecFormatCount(EQVWmMediaType::Audio, nCodec, enumeration, &nCount);
        for (int32_t i = 0; nResult == kQVWmOk && i < nCount; ++i)
        {
            std::string description;
            nResult = manager.GetCodecFormatDesc(EQVWmMediaType::Audio, nCodec, enumeration, i,
                                                 &description);
            if (nResult != kQVWmOk || !ShowsWmaFormat(codecName, description))
                continue;
            const int32_t nCode =
                WmaFormatCode(i, enumeration.bVbrEnabled ? enumeration.nPasses : 0);
            const int32_t nIndex = pList->AddItem(description, nCode);
            if (nCode == nSelectedCode && nSelection < 0)
                nSelection = nIndex;
        }
        if (nResult != kQVWmOk)
        {
            pList->ResetContent();
            return nResult;
        }
    }
    pList->SetSelection(nSelection >= 0 ? nSelection : pList->Count() > 0 ? 0 : -1);
    return kQVWmOk;
}

int32_t DefaultWmvCodecEntry(const std::vector<std::string>& names)
{
    int32_t nLastV8 = -1;
    for (size_t i = 0; i < names.size(); ++i)
    {
        if (EqualsIgnoringCase(names[i], "Windows Media Video 9"))
            return static_cast<int32_t>(i);
        if (Contains(names[i], "Windows Media Video V8"))
            nLastV8 = static_cast<int32_t>(i);
    }
    return nLastV8;
}

int32_t DefaultWmaCodecEntry(const std::vector<std::string>& names)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (Contains(names[i], "Windows Media Audio 9.") && !Contains(names[i], "Lossless"))
            return static_cast<int32_t>(i);
    return -1;
}

int32_t DefaultWmaFormatEntry(const std::vector<std::string>& descriptions)
{
    for (size_t i = 0; i < descriptions.size(); ++i)
        if (Contains(descriptions[i], "128 kbps"))
            return static_cast<int32_t>(i);
    return -1;
}

int32_t ChooseDefaultWindowsMediaCodecs(tagQVOutputSettings* pRecord)
{
    if (pRecord == nullptr)
        return kQVWmInvalidArgument;
    pRecord->nOutputFormat = kOutputWmv;
    std::unique_ptr<CQVWmProfileManager> pManager;
    int32_t nResult = CQVWmProfileManager::Create(&pManager);
    std::vector<std::string> videoNames;
    std::vector<std::string> audioNames;
    if (nResult == kQVWmOk)
        nResult = FilteredCodecNames(*pManager, EQVWmMediaType::Video, &videoNames);
    if (nResult == kQVWmOk)
        nResult = FilteredCodecNames(*pManager, EQVWmMediaType::Audio, &audioNames);
    if (nResult != kQVWmOk)
        return nResult;

    const int32_t nVideo = DefaultWmvCodecEntry(videoNames);
    if (nVideo >= 0)
        pRecord->nWmvCodec = nVideo;

    int32_t nAudio = static_cast<int32_t>(audioNames.size()) - 1;
    for (size_t i = 0; i < audioNames.size(); ++i)
    {
        if (EqualsIgnoringCase(audioNames[i], "Windows Media Audio 9.2"))
        {
            nAudio = static_cast<int32_t>(i);
            break;
        }
    }
    pRecord->nWmaCodec = std::max(nAudio, 0);

    for (const tagQVWmEnumeration& enumeration : kEnumerations)
    {
        int32_t nCount = 0;
        if (pManager->GetCodecFormatCount(EQVWmMediaType::Audio, pRecord->nWmaCodec, enumeration,
                                          &nCount) != kQVWmOk)
            continue;
        for (int32_t i = 0; i < nCount; ++i)
        {
            std::string description;
            if (pManager->GetCodecFormatDesc(EQVWmMediaType::Audio, pRecord->nWmaCodec, enumeration,
                                             i, &description) != kQVWmOk ||
                Contains(description, "VBR"))
                continue;
            if (Contains(description, "128 kbps") && !Contains(description, "5.1"))
            {
                pRecord->nWmaFormat =
                    WmaFormatCode(i, enumeration.bVbrEnabled ? enumeration.nPasses : 0);
                break;
            }
        }
    }
    return kQVWmOk;
}

int32_t AddStreamToProfile(const CQVWmProfileManager& manager, const CQVStream& stream,
                           CQVWmProfile* pProfile)
{
    if (pProfile == nullptr)
        return kQVWmInvalidArgument;
    switch (stream.nStreamKind)
    {
    case kQVStreamVideo:
        return AddVideoStream(manager, stream, pProfile);
    case kQVStreamAudio:
        return AddAudioStream(manager, stream, pProfile);
    default:
        return kQVWmInvalidArgument;
    }
}

int32_t BuildWmvProfile(const tagQVOutputSettings& record, const std::string& path,
                        std::string* pMessage, const tagQVSourceFrameRates& source)
{
    if (pMessage != nullptr)
        pMessage->clear();
    if (!IsWindowsMediaType(record.nOutputFormat))
        return 1;

    CQVProfileRef<CQVStream> video(new CQVStream());
    video->nStreamKind = kQVStreamVideo;
    video->nCodecIndex = record.nWmvCodec;
    // kbit/s to bit/s the way the writer counts: 1024, not 1000.
    video->nBitrate = static_cast<int32_t>(
        std::clamp<int64_t>(record.nVideoBitrate * int64_t{1024}, INT32_MIN, INT32_MAX));
    video->nBufferWindowMs = 3000;
    video->nWidth = record.nWidth;
    video->nHeight = record.nHeight;
    // The profile's rate field is whole; the time per frame keeps the exact rate.
    const double dFrameRate = OutputFrameRate(record.nOutputFrameRate, source);
    video->nFrameRate = static_cast<int32_t>(std::lround(dFrameRate));
    video->nTimePerFrame = TimePerFrame(dFrameRate);
    video->nSecondsPerKeyFrame = 8;
    video->nQuality = 100;
    video->bVbrEnabled = 0;
    video->nMaxBitrate = 1000000;
    video->nMaxBufferWindowMs = 0;
    video->nVbrQuality = 0;
    video->wStreamNumber = 1;

    CQVProfileRef<CQVStream> audio(new CQVStream());
    audio->nStreamKind = kQVStreamAudio;
    audio->nCodecIndex = record.nWmaCodec;
    audio->nAudioFormatCode = record.nWmaFormat;
    audio->nBufferWindowMs = 3000;
    audio->wStreamNumber = 2;

    std::unique_ptr<CQVWmProfileManager> pManager;
    CQVWmProfile profile;
    if (CQVWmProfileManager::Create(&pManager) != kQVWmOk ||
        pManager->CreateEmptyProfile(kQVWmProfileVersion9, &profile) != kQVWmOk)
        return 0;
    if (AddStreamToProfile(*pManager, *video, &profile) != kQVWmOk)
    {
        if (pMessage != nullptr)
            *pMessage = kQVAddVideoStreamFailed;
        return 0;
    }
    if (AddStreamToProfile(*pManager, *audio, &profile) != kQVWmOk)
    {
        if (pMessage != nullptr)
            *pMessage = kQVAddAudioStreamFailed;
        return 0;
    }
    profile.SetName(kQVWmProfileName);
    profile.SetDescription(kQVWmProfileDescription);

    std::u16string text;
    if (pManager->SaveProfile(profile, &text) != kQVWmOk)
        return 0;
    return WriteUtf16Text(path, text) ? 1 : 0;
}

} // namespace qv
