#include "formats/CQVWmProfileManager.h"

#include "formats/WindowsMediaResults.h"

#include <array>
#include <mutex>
#include <vector>

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace qv
{

namespace
{

struct tagQVWmCodec
{
    const char* pszName;
    const char* pszEncoder;
    const char* pszFourcc; // video
    int32_t nFormatTag;    // audio
};

const tagQVWmCodec kVideoCodecs[] = {
    {"Windows Media Video V8", "wmv2", "WMV2", 0},
    {"Windows Media Video V7", "wmv1", "WMV1", 0},
};
const tagQVWmCodec kAudioCodecs[] = {
    {"Windows Media Audio 9.2", "wmav2", nullptr, 0x0161},
    {"Windows Media Audio V1", "wmav1", nullptr, 0x0160},
};
constexpr size_t kMaxAudioCodecs = std::size(kAudioCodecs);

const int32_t kCandidateKbps[] = {320, 256, 192, 160, 128, 96, 80, 64, 48, 40, 32, 24};
const int32_t kCandidateRates[] = {44100, 48000, 32000, 22050, 16000, 11025, 8000};
constexpr int32_t kMaxBitsPerSample = 4;
constexpr int64_t kDefaultTimePerFrame = 333333; // 30 frames/s in 100-ns units

struct tagQVCodecContextFree
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, tagQVCodecContextFree>;

bool VideoEncoderOpens(const AVCodec* pCodec)
{
    CodecContextPtr context(avcodec_alloc_context3(pCodec));
    if (!context)
        return false;
    context->width = 64;
    context->height = 48;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 30};
    context->bit_rate = 300000;
    return avcodec_open2(context.get(), pCodec, nullptr) >= 0;
}

// Opens the encoder with the format and encodes one block of silence. The block size of
// the coded stream is what the wave format carries.
bool AudioEncoderTakes(const AVCodec* pCodec, int32_t nRate, int32_t nChannels, int32_t nBitrate,
                       int32_t* pBlockAlign)
{
    CodecContextPtr context(avcodec_alloc_context3(pCodec));
    if (!context || pCodec->sample_fmts == nullptr)
        return false;
    context->sample_rate = nRate;
    context->bit_rate = nBitrate;
    context->sample_fmt = pCodec->sample_fmts[0];
    context->time_base = AVRational{1, nRate};
    av_channel_layout_default(&context->ch_layout, nChannels);
    if (avcodec_open2(context.get(), pCodec, nullptr) < 0 || context->frame_size <= 0)
        return false;

    AVFrame* pFrame = av_frame_alloc();
    AVPacket* pPacket = av_packet_alloc();
    bool bOk = pFrame != nullptr && pPacket != nullptr;
    if (bOk)
    {
        pFrame->nb_samples = context->frame_size;
        pFrame->format = context->sample_fmt;
        pFrame->pts = 0;
        bOk = av_channel_layout_copy(&pFrame->ch_layout, &context->ch_layout) >= 0 &&
              av_frame_get_buffer(pFrame, 0) >= 0 &&
              av_samples_set_silence(pFrame->extended_data, 0, pFrame->nb_samples, nChannels,
                                     context->sample_fmt) >= 0;
    }
    int nPackets = 0;
    if (bOk)
        bOk = avcodec_send_frame(context.get(), pFrame) >= 0 &&
              avcodec_send_frame(context.get(), nullptr) >= 0;
    while (bOk)
    {
        const int nResult = avcodec_receive_packet(context.get(), pPacket);
        if (nResult == AVERROR_EOF)
            break;
        if (nResult < 0)
            bOk = false;
        else
        {
            ++nPackets;
            av_packet_unref(pPacket);
        }
    }
    av_packet_free(&pPacket);
    av_frame_free(&pFrame);
    *pBlockAlign = context->block_align;
    return bOk && nPackets > 0 && context->block_align > 0;
}

struct tagQVCodecTable
{
    std::vector<const tagQVWmCodec*> video;
    std::vector<const tagQVWmCodec*> audio;
    bool bMuxer = false;
};

const tagQVCodecTable& Codecs()
{
    static const tagQVCodecTable s_table = []
    {
        tagQVCodecTable table;
        table.bMuxer = av_guess_format("asf", nullptr, nullptr) != nullptr;
        for (const tagQVWmCodec& codec : kVideoCodecs)
        {
            const AVCodec* pCodec = avcodec_find_encoder_by_name(codec.pszEncoder);
            if (pCodec != nullptr && VideoEncoderOpens(pCodec))
                table.video.push_back(&codec);
        }
        for (const tagQVWmCodec& codec : kAudioCodecs)
        {
            const AVCodec* pCodec = avcodec_find_encoder_by_name(codec.pszEncoder);
            int32_t nBlockAlign = 0;
            if (pCodec != nullptr && AudioEncoderTakes(pCodec, 44100, 2, 128000, &nBlockAlign))
                table.audio.push_back(&codec);
        }
        return table;
    }();
    return s_table;
}

std::vector<tagQVWmAudioFormat> BuildAudioFormats(const tagQVWmCodec& codec)
{
    std::vector<tagQVWmAudioFormat> formats;
    const AVCodec* pCodec = avcodec_find_encoder_by_name(codec.pszEncoder);
    if (pCodec == nullptr)
        return formats;
    for (int32_t nKbps : kCandidateKbps)
    {
        for (int32_t nRate : kCandidateRates)
        {
            for (int32_t nChannels : {2, 1})
            {
                const int64_t nBitrate = nKbps * 1000LL;
                if (nBitrate > static_cast<int64_t>(nRate) * nChannels * kMaxBitsPerSample)
                    continue;
                int32_t nBlockAlign = 0;
                if (!AudioEncoderTakes(pCodec, nRate, nChannels, static_cast<int32_t>(nBitrate),
                                       &nBlockAlign))
                    continue;
                tagQVWmAudioFormat format;
                format.codec = codec.pszEncoder;
                format.nFormatTag = codec.nFormatTag;
                format.nChannels = nChannels;
                format.nSampleRate = nRate;
                format.nAvgBytesPerSec = static_cast<int32_t>(nBitrate / 8);
                format.nBlockAlign = nBlockAlign;
                format.nBitsPerSample = 16;
                formats.push_back(format);
            }
        }
    }
    return formats;
}

// Built on first use for each codec: every candidate costs an encoder opening.
const std::vector<tagQVWmAudioFormat>& AudioFormats(size_t nCodec)
{
    static std::array<std::once_flag, kMaxAudioCodecs> s_once;
    static std::array<std::vector<tagQVWmAudioFormat>, kMaxAudioCodecs> s_formats;
    const std::vector<const tagQVWmCodec*>& codecs = Codecs().audio;
    std::call_once(s_once[nCodec], [&] { s_formats[nCodec] = BuildAudioFormats(*codecs[nCodec]); });
    return s_formats[nCodec];
}

const std::vector<const tagQVWmCodec*>& CodecList(EQVWmMediaType eType)
{
    return eType == EQVWmMediaType::Video ? Codecs().video : Codecs().audio;
}

bool ValidCodec(EQVWmMediaType eType, int32_t nCodec)
{
    return nCodec >= 0 && static_cast<size_t>(nCodec) < CodecList(eType).size();
}

bool ValidEnumeration(const tagQVWmEnumeration& enumeration)
{
    return !enumeration.bVbrEnabled || enumeration.nPasses == 1 || enumeration.nPasses == 2;
}

int32_t FormatCount(EQVWmMediaType eType, int32_t nCodec)
{
    if (eType == EQVWmMediaType::Video)
        return 1;
    return static_cast<int32_t>(AudioFormats(static_cast<size_t>(nCodec)).size());
}

std::string AudioDescription(const tagQVWmAudioFormat& format,
                             const tagQVWmEnumeration& enumeration)
{
    std::string text = std::to_string(format.nAvgBytesPerSec * 8 / 1000) + " kbps, " +
                       std::to_string(format.nSampleRate / 1000) + " kHz, " +
                       (format.nChannels == 1 ? "mono" : "stereo");
    if (!enumeration.bVbrEnabled)
        return text + " CBR";
    return text + " " + std::to_string(enumeration.nPasses) + "-pass VBR";
}

} // namespace

int32_t CQVWmProfileManager::Create(std::unique_ptr<CQVWmProfileManager>* pManager)
{
    if (pManager == nullptr)
        return kQVWmInvalidArgument;
    const tagQVCodecTable& table = Codecs();
    if (!table.bMuxer || table.video.empty() || table.audio.empty())
        return kQVWmNotSupported;
    pManager->reset(new CQVWmProfileManager());
    return kQVWmOk;
}

int32_t CQVWmProfileManager::GetCodecInfoCount(EQVWmMediaType eType, int32_t* pCount) const
{
    if (pCount == nullptr)
        return kQVWmInvalidArgument;
    *pCount = static_cast<int32_t>(CodecList(eType).size());
    return kQVWmOk;
}

int32_t CQVWmProfileManager::GetCodecName(EQVWmMediaType eType, int32_t nCodec,
                                          std::string* pName) const
{
    if (pName == nullptr || !ValidCodec(eType, nCodec))
        return kQVWmInvalidArgument;
    *pName = CodecList(eType)[static_cast<size_t>(nCodec)]->pszName;
    return kQVWmOk;
}

int32_t CQVWmProfileManager::GetCodecFormatCount(EQVWmMediaType eType, int32_t nCodec,
                                                 const tagQVWmEnumeration& enumeration,
                                                 int32_t* pCount) const
{
    if (pCount == nullptr || !ValidCodec(eType, nCodec) || !ValidEnumeration(enumeration))
        return kQVWmInvalidArgument;
    *pCount = FormatCount(eType, nCodec);
    return kQVWmOk;
}

int32_t CQVWmProfileManager::GetCodecFormatDesc(EQVWmMediaType eType, int32_t nCodec,
                                                const tagQVWmEnumeration& enumeration,
                                                int32_t nFormat, std::string* pDescription) const
{
    if (pDescription == nullptr || !ValidCodec(eType, nCodec) || !ValidEnumeration(enumeration) ||
        nFormat < 0 || nFormat >= FormatCount(eType, nCodec))
        return kQVWmInvalidArgument;
    const tagQVWmCodec& codec = *CodecList(eType)[static_cast<size_t>(nCodec)];
    if (eType == EQVWmMediaType::Video)
        *pDescription = codec.pszName;
    else
        *pDescription = AudioDescription(
            AudioFormats(static_cast<size_t>(nCodec))[static_cast<size_t>(nFormat)], enumeration);
    return kQVWmOk;
}

int32_t CQVWmProfileManager::GetCodecFormat(EQVWmMediaType eType, int32_t nCodec,
                                            const tagQVWmEnumeration& enumeration, int32_t nFormat,
                                            tagQVWmStreamConfig* pConfig) const
{
    if (pConfig == nullptr || !ValidCodec(eType, nCodec) || !ValidEnumeration(enumeration) ||
        nFormat < 0 || nFormat >= FormatCount(eType, nCodec))
        return kQVWmInvalidArgument;
    const tagQVWmCodec& codec = *CodecList(eType)[static_cast<size_t>(nCodec)];
    tagQVWmStreamConfig config;
    config.eType = eType;
    if (eType == EQVWmMediaType::Video)
    {
        tagQVWmVideoFormat& video = config.video;
        video.codec = codec.pszEncoder;
        video.fourcc = codec.pszFourcc;
        video.nWidth = 320;
        video.nHeight = 240;
        video.nAvgTimePerFrame = kDefaultTimePerFrame;
        video.rcSource = {0, 0, video.nWidth, video.nHeight};
        video.rcTarget = video.rcSource;
    }
    else
    {
        config.audio = AudioFormats(static_cast<size_t>(nCodec))[static_cast<size_t>(nFormat)];
        config.nBitrate = config.audio.nAvgBytesPerSec * 8;
    }
    config.SetProperty(kQVWmVbrEnabled, enumeration.bVbrEnabled ? 1 : 0);
    if (enumeration.bVbrEnabled)
        config.SetProperty(kQVWmPassesUsed, enumeration.nPasses);
    *pConfig = std::move(config);
    return kQVWmOk;
}

int32_t CQVWmProfileManager::CreateEmptyProfile(int32_t nVersion, CQVWmProfile* pProfile) const
{
    if (pProfile == nullptr || nVersion != kQVWmProfileVersion9)
        return kQVWmInvalidArgument;
    *pProfile = CQVWmProfile(nVersion);
    return kQVWmOk;
}

int32_t CQVWmProfileManager::SaveProfile(const CQVWmProfile& profile, std::u16string* pText) const
{
    if (pText == nullptr)
        return kQVWmInvalidArgument;
    *pText = profile.ToText();
    return kQVWmOk;
}

int32_t CQVWmProfileManager::LoadProfileByData(std::u16string_view text,
                                               CQVWmProfile* pProfile) const
{
    if (pProfile == nullptr)
        return kQVWmInvalidArgument;
    text = text.substr(0, text.find(u'\0'));
    CQVWmProfile profile;
    const int32_t nResult = profile.FromText(text);
    if (nResult != kQVWmOk)
        return nResult;
    for (const tagQVWmStreamConfig& stream : profile.Streams())
    {
        const std::string& encoder =
            stream.eType == EQVWmMediaType::Video ? stream.video.codec : stream.audio.codec;
        if (!IsListedEncoder(stream.eType, encoder))
            return kQVWmNotSupported;
    }
    *pProfile = std::move(profile);
    return kQVWmOk;
}

bool CQVWmProfileManager::IsListedEncoder(EQVWmMediaType eType, const std::string& encoder)
{
    for (const tagQVWmCodec* pCodec : CodecList(eType))
    {
        if (encoder == pCodec->pszEncoder)
            return true;
    }
    return false;
}

} // namespace qv
