#include "frontend/MovieSettingsLogic.h"

#include "formats/OutputTypes.h"
#include "project/OutputFrameRate.h"
#include "project/OutputSize.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace qv
{

namespace
{

constexpr int32_t kMinOutputSize = 80;
constexpr int32_t kMaxOutputWidth = 1920;
constexpr int32_t kMaxOutputHeight = 1440;

const char* ContainerName(EQVContainer eContainer, int32_t nType)
{
    switch (eContainer)
    {
    case EQVContainer::Mp4:
        return "MP4";
    case EQVContainer::Avi:
        return "AVI";
    case EQVContainer::Mov:
        return "MOV";
    case EQVContainer::Asf:
        return nType == kOutputWmv ? "WMV" : "ASF";
    case EQVContainer::MpegPs1:
    case EQVContainer::MpegPs2:
        return "MPEG";
    case EQVContainer::Flv:
        return "FLV";
    case EQVContainer::Matroska:
        return "MKV";
    case EQVContainer::WebM:
        return "WebM";
    }
    return "";
}

// Types 1 and 2 share container and codecs; the profile and level they force tell them apart.
std::string VideoName(EQVVideoCodec eCodec, int32_t nType)
{
    switch (eCodec)
    {
    case EQVVideoCodec::H264:
        return nType == kOutputMp4Device        ? "H.264 Baseline 3.1"
               : nType == kOutputMp4SmallDevice ? "H.264 Baseline 3.0"
                                                : "H.264";
    case EQVVideoCodec::Mpeg4:
        return "MPEG-4";
    case EQVVideoCodec::Mpeg1:
        return "MPEG-1";
    case EQVVideoCodec::Mpeg2:
        return "MPEG-2";
    case EQVVideoCodec::Wmv1:
    case EQVVideoCodec::Wmv2:
        return "WMV";
    case EQVVideoCodec::H265:
        return "H.265";
    case EQVVideoCodec::Av1:
        return "AV1";
    case EQVVideoCodec::Vp9:
        return "VP9";
    }
    return "";
}

std::string AudioName(const tagQVOutputType& type)
{
    switch (type.eAudioCodec)
    {
    case EQVAudioCodec::Aac:
        return "AAC";
    case EQVAudioCodec::Ac3:
        return type.bForcedSurround ? "AC3 5.1" : "AC3";
    case EQVAudioCodec::MpegAudio:
        return "MP3";
    case EQVAudioCodec::Wma1:
    case EQVAudioCodec::Wma2:
        return "WMA";
    case EQVAudioCodec::Opus:
        return "Opus";
    }
    return "";
}

} // namespace

const std::vector<std::string>& SizeModeTexts()
{
    static const std::vector<std::string> texts = {"Size Priority", "Bitrate Priority",
                                                   "Quality Priority"};
    return texts;
}

const std::vector<std::string>& PresetLabels()
{
    static const std::vector<std::string> labels = {
        "HD VIDEO 1080P 16:9", "HD VIDEO 1080P 4:3", "HD VIDEO 720P 16:9", "HD VIDEO 720P 4:3",
        "SD VIDEO 480P 16:9",  "SD VIDEO 480P 4:3",  "SD VIDEO 360P 16:9", "SD VIDEO 360P 4:3",
        "SD VIDEO 240P 16:9",  "SD VIDEO 240P 4:3"};
    return labels;
}

std::vector<int32_t> FormatListOrder(QVEncoderLookup pfnHasEncoder)
{
    std::vector<int32_t> types = {kOutputMp4, kOutputWmv};
    for (int32_t nType = 0; nType < kOutputTypeCount; ++nType)
        if (nType != kOutputMp4 && nType != kOutputWmv)
            types.push_back(nType);
    types.erase(std::remove_if(types.begin(), types.end(),
                               [pfnHasEncoder](int32_t nType)
                               { return !IsOutputTypeAvailable(nType, pfnHasEncoder); }),
                types.end());
    return types;
}

const std::vector<int32_t>& FormatListOrder()
{
    static const std::vector<int32_t> order = FormatListOrder(QVFFmpegHasEncoder);
    return order;
}

std::string FormatLabel(int32_t nType)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    if (pType == nullptr)
        return "";
    if (nType == kOutputMp4 || nType == kOutputWmv)
        return ContainerName(pType->eContainer, nType);
    return std::string(ContainerName(pType->eContainer, nType)) + " (" +
           VideoName(pType->eVideoCodec, nType) + " + " + AudioName(*pType) + ")";
}

bool IsH264Type(int32_t nType)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    return pType != nullptr && pType->eVideoCodec == EQVVideoCodec::H264;
}

int QualityEntryCount(int32_t nType)
{
    return nType == kOutputMp4Device || nType == kOutputAviAc3Surround ? 31 : 49;
}

int OverlayQualityEntryCount(int32_t nPreset)
{
    return 5 - ClampPresetIndex(nPreset) / 2;
}

tagQVFormatDefaults FormatDefaults(int32_t nType, int32_t nPreset)
{
    tagQVFormatDefaults defaults;
    const tagQVOutputType* pType = FindOutputType(nType);
    if (pType == nullptr)
        return defaults;
    const bool bHigh = nPreset > 3;
    // The quality factor of the H.265, AV1 and VP9 types is on the H.264 scale.
    if (pType->eVideoCodec == EQVVideoCodec::H264 || pType->eVideoCodec == EQVVideoCodec::H265 ||
        pType->eVideoCodec == EQVVideoCodec::Av1 || pType->eVideoCodec == EQVVideoCodec::Vp9)
    {
        defaults.nSizeMode = kQualityPriority;
        defaults.nQualityIndex = 24;
    }
    else if (pType->eContainer == EQVContainer::Avi)
    {
        defaults.nSizeMode = kQualityPriority;
        defaults.nQualityIndex = bHigh ? 9 : 4;
    }
    else
    {
        // Windows Media and MPEG program streams run at a bitrate.
        defaults.nSizeMode = kBitratePriority;
        defaults.bitrateText = bHigh ? "2500" : "6000";
        defaults.bWindowsMediaCodecs = pType->eContainer == EQVContainer::Asf;
    }
    return defaults;
}

const std::vector<std::string>& AudioBitrateTexts()
{
    static const std::vector<std::string> texts = {
        "32 Kbps",  "40 Kbps",  "48 Kbps",  "56 Kbps",  "64 Kbps",  "80 Kbps",  "96 Kbps",
        "112 Kbps", "128 Kbps", "160 Kbps", "192 Kbps", "224 Kbps", "256 Kbps", "320 Kbps",
        "384 Kbps", "448 Kbps", "512 Kbps", "576 Kbps", "640 Kbps"};
    return texts;
}

const std::vector<std::string>& AudioSampleRateTexts()
{
    static const std::vector<std::string> texts = {"8000 Hz",  "11025 Hz", "12000 Hz", "16000 Hz",
                                                   "22050 Hz", "24000 Hz", "32000 Hz", "44100 Hz",
                                                   "48000 Hz", "64000 Hz", "88200 Hz", "96000 Hz"};
    return texts;
}

const std::vector<std::string>& AudioChannelTexts()
{
    static const std::vector<std::string> texts = {"1 (Mono)", "2 (Stereo)"};
    return texts;
}

int32_t LeadingNumber(const std::string& text)
{
    int32_t nValue = 0;
    return ParseEditNumber(text.substr(0, text.find(' ')), &nValue) ? nValue : 0;
}

int32_t EntryWithLeadingNumber(const std::vector<std::string>& texts, int32_t nValue)
{
    if (nValue == 0)
        return -1;
    for (size_t i = 0; i < texts.size(); ++i)
        if (LeadingNumber(texts[i]) == nValue)
            return static_cast<int32_t>(i);
    return -1;
}

const std::vector<tagQVFrameRateEntry>& FrameRateEntries()
{
    static const std::vector<tagQVFrameRateEntry> entries = {
        {"Same as source", kFrameRateSameAsSource},
        {"23.976", 23976},
        {"24", 24000},
        {"25", 25000},
        {"29.97", 29970},
        {"30", kFrameRateFixed30},
        {"50", 50000},
        {"59.94", 59940},
        {"60", 60000},
    };
    return entries;
}

int32_t FrameRateEntryOf(int32_t nOutputFrameRate)
{
    const std::vector<tagQVFrameRateEntry>& entries = FrameRateEntries();
    const int32_t nValue = HasOwnFrameRate(nOutputFrameRate) ? nOutputFrameRate : kFrameRateFixed30;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].nValue == nValue)
            return static_cast<int32_t>(i);
    return -1;
}

// The bounds are multiples of 4, so clamping first and cutting after keeps them.
int32_t ClampOutputWidth(int64_t nWidth)
{
    return CutToMultipleOfFour(
        static_cast<int32_t>(std::clamp<int64_t>(nWidth, kMinOutputSize, kMaxOutputWidth)));
}

int32_t ClampOutputHeight(int64_t nHeight)
{
    return CutToMultipleOfFour(
        static_cast<int32_t>(std::clamp<int64_t>(nHeight, kMinOutputSize, kMaxOutputHeight)));
}

bool ParseEditNumber(const std::string& text, int32_t* pValue)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    int64_t nValue = 0;
    for (char c : text)
    {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        nValue = std::min<int64_t>(nValue * 10 + (c - '0'), std::numeric_limits<int32_t>::max());
    }
    *pValue = static_cast<int32_t>(nValue);
    return true;
}

void StoreMovieSettings(const tagQVMovieSettingsChoice& choice, tagQVOutputSettings* pRecord)
{
    if (pRecord == nullptr)
        return;
    tagQVOutputSettings& record = *pRecord;
    if (choice.nSizeMode >= kSizePriority && choice.nSizeMode <= kQualityPriority)
        record.nSizeMode = choice.nSizeMode;
    ParseEditNumber(choice.fileSizeText, &record.nFileSizeMB);
    ParseEditNumber(choice.bitrateText, &record.nVideoBitrate);
    ParseEditNumber(choice.widthText, &record.nWidth);
    ParseEditNumber(choice.heightText, &record.nHeight);
    record.nWidth = ClampOutputWidth(record.nWidth);
    record.nHeight = ClampOutputHeight(record.nHeight);
    if (choice.nQualityIndex >= 0)
        record.nQuality = choice.nQualityIndex + 1;
    record.bForceResize = choice.bForceResize ? 1 : 0;
    record.bFlip = choice.bFlip ? 1 : 0;
    if (choice.nOverlayQualityIndex >= 0)
        record.nOverlayQuality = choice.nOverlayQualityIndex;
    record.nOutputFormat = choice.nOutputType;

    record.nWmvCodec = choice.nWmvCodecIndex;
    record.nWmaCodec = choice.nWmaCodecIndex;
    record.nWmaFormat = choice.nWmaFormatCode;

    record.nAudioBitrate = LeadingNumber(choice.audioBitrateText);
    record.nAudioSampleRate = LeadingNumber(choice.audioSampleRateText);
    // No channel entry would otherwise reach the engine as "more than stereo".
    if (choice.nAudioChannelsIndex == 0 || choice.nAudioChannelsIndex == 1)
        record.nAudioChannels = choice.nAudioChannelsIndex;
    if (choice.nFrameRateIndex >= 0 &&
        choice.nFrameRateIndex < static_cast<int32_t>(FrameRateEntries().size()))
        record.nOutputFrameRate = FrameRateEntries()[choice.nFrameRateIndex].nValue;
}

const std::vector<tagQVHelpEntry>& MovieSettingsHelp()
{
    static const std::vector<tagQVHelpEntry> entries = {
        {16, "Vantrel predefined some usual HD and SD video profiles."},
        {17, "Vantrel provides three methods to customize the target video quality and file "
             "size."},
        {18, "Here we can input the target video File Size, larger file size will get the "
             "higher video quality."},
        {19, "Here we can input the target video Bitrate, higher video Bitrate will get the "
             "higher video Quality, but larger video file size."},
        {20, "Here we can select a Quality Factor, usually select a value between 10 and 25 "
             "will get nice video Quality, but the lower Quality Factor value will get the "
             "higher video Quality and the larger video file size."},
        {21, "For some special video file, you need to enable this option to optimize the "
             "quality."},
        {36, "Enable this option, deinterlacing the source video file, will get the better "
             "quality when editing some special video file, such as MTS file, etc."},
        {23, "Here we can set quality of Overlay videos, higher <Overlay Quality> will provide "
             "higher quality of Overlay videos, but will need more system memory. When making "
             "HD videos, if the program stops or reports error, you can try to reduce this "
             "value, and we suggested that, 1gb memory or above for <Overlay Quality 3>, 2gb "
             "or above for <Overlay Quality 4>, 4gb or above for <Overlay Quality 5>."},
        {37, "Video Format"},
        {39, "Windows Media Video Code"},
        {40, "Windows Media Audio Code"},
        {41, "Windows Media Audio Format"},
        {48, "Enable this option will make the 3D videos more smooth, but may slightly reduce "
             "the video quality."},
        {50, "Here we can set the Audio Bitrate of target video, higher Audio Bitrate, higher "
             "Audio Quality and Larger size."},
        {52, "Here we can set the Audio Sample Rate(in samples/sec, Hz) of the target video."},
        {54, "Here we can set the number of the Audio Channels of the target video."},
        {57, "Here we can set the Frame Rate of the target video. <Same as source> keeps the "
             "rate of the source video, so that every picture is shown once, none dropped or "
             "repeated."},
    };
    return entries;
}

} // namespace qv
