#include "encode/EncoderMapping.h"

#include "encode/HdrGrading.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace qv
{

namespace
{

constexpr int32_t kMixSampleRate = 44100;
constexpr int32_t kMpeg4Gop = 12;
constexpr int32_t kMpeg12Gop = 13;
constexpr int32_t kMpeg12BFrames = 2;
constexpr int32_t kMaxH264BFrames = 16;
// Large enough that the encoder never places an I frame of its own at a scene change.
constexpr int64_t kNoSceneCut = 1000000000;
constexpr double kModernGopSeconds = 2.0;
constexpr int32_t kH265BFrames = 3;
constexpr int32_t kOpusSampleRate = 48000;

// The quality factor, on the H.264 CRF scale, onto each newer encoder's CRF scale: points
// of a piecewise linear map that give the H.264 type's luma PSNR at one factor. Matched on
// the conversion bench's type comparison (1080p crops of a clean synthetic, a camera-like
// and a grainy clip at factors 18, 23 and 28, at the speeds below): the CRF whose PSNR,
// interpolated between measured CRFs, meets H.264's, averaged over the clips. Single clips
// stray by up to about 1 dB: grain costs the newer encoders PSNR, clean pictures gain.
struct tagQVCrfPoint
{
    int32_t nQuality; // the H.264 CRF
    int32_t nH265;    // libx265 crf, 0..51
    int32_t nAv1;     // libsvtav1 crf, 0..63
    int32_t nVp9;     // libvpx-vp9 crf, 0..63
};
const tagQVCrfPoint kCrfPoints[] = {
    {1, 1, 1, 1}, {18, 17, 21, 23}, {23, 24, 33, 35}, {28, 30, 46, 47}, {51, 51, 63, 63},
};

int32_t CrfOf(const tagQVCrfPoint& point, EQVVideoCodec eCodec)
{
    switch (eCodec)
    {
    case EQVVideoCodec::H265:
        return point.nH265;
    case EQVVideoCodec::Av1:
        return point.nAv1;
    case EQVVideoCodec::Vp9:
        return point.nVp9;
    default:
        return point.nQuality;
    }
}

bool IsModernVideo(EQVVideoCodec eCodec)
{
    return eCodec == EQVVideoCodec::H265 || eCodec == EQVVideoCodec::Av1 ||
           eCodec == EQVVideoCodec::Vp9;
}

const int kAc3Kbps[] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                        192, 224, 256, 320, 384, 448, 512, 576, 640};
const int kLayer3Kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
const int kLayer3LowRateKbps[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

bool IsH264(const tagQVEncodeSettings& settings)
{
    return settings.eVideoCodec == EQVVideoCodec::H264;
}

bool IsBaseline(const tagQVEncodeSettings& settings)
{
    return IsH264(settings) && settings.nH264Profile != kH264ProfileMainHd &&
           settings.nH264Profile != kH264ProfileMainHdFlv && settings.nH264Profile != 0;
}

template <size_t N> int Nearest(const int (&table)[N], int64_t nValue)
{
    int best = table[0];
    for (int candidate : table)
    {
        if (std::llabs(candidate - nValue) < std::llabs(best - nValue))
            best = candidate;
    }
    return best;
}

int NearestSampleRate(const AVCodec* pCodec, int32_t nWanted)
{
    if (pCodec->supported_samplerates == nullptr)
        return std::clamp(nWanted, 8000, 48000);
    int best = pCodec->supported_samplerates[0];
    for (const int* p = pCodec->supported_samplerates; *p != 0; ++p)
    {
        const int64_t nDistance = std::llabs(static_cast<int64_t>(*p) - nWanted);
        const int64_t nBest = std::llabs(static_cast<int64_t>(best) - nWanted);
        if (nDistance < nBest || (nDistance == nBest && *p > best))
            best = *p;
    }
    return best;
}

int32_t DefaultAudioKbps(EQVAudioCodec eCodec, int32_t nChannels)
{
    const bool bMono = nChannels == 1;
    const bool bMulti = nChannels > 2;
    switch (eCodec)
    {
    case EQVAudioCodec::Aac:
        return bMono ? 64 : bMulti ? 320 : 128;
    case EQVAudioCodec::Ac3:
        return bMono ? 96 : bMulti ? 448 : 192;
    case EQVAudioCodec::Opus:
        return bMono ? 64 : bMulti ? 256 : 128;
    default:
        return bMono ? 64 : 128;
    }
}

int32_t AllowedAudioKbps(EQVAudioCodec eCodec, int64_t nKbps, int32_t nChannels,
                         int32_t nSampleRate)
{
    switch (eCodec)
    {
    case EQVAudioCodec::Aac:
        return static_cast<int32_t>(std::clamp<int64_t>(nKbps, 8, 960));
    case EQVAudioCodec::Ac3:
        // Below this the encoder cannot allocate bits for five or six channels.
        return Nearest(kAc3Kbps, nChannels > 2 ? std::max<int64_t>(nKbps, 128) : nKbps);
    case EQVAudioCodec::MpegAudio:
        return nSampleRate >= 32000 ? Nearest(kLayer3Kbps, nKbps)
                                    : Nearest(kLayer3LowRateKbps, nKbps);
    case EQVAudioCodec::Opus:
        return static_cast<int32_t>(std::clamp<int64_t>(nKbps, 6, 510));
    default:
        return static_cast<int32_t>(std::clamp<int64_t>(nKbps, 24, 320));
    }
}

} // namespace

const char* MuxerName(EQVContainer eContainer)
{
    switch (eContainer)
    {
    case EQVContainer::Mp4:
        return "mp4";
    case EQVContainer::Avi:
        return "avi";
    case EQVContainer::Mov:
        return "mov";
    case EQVContainer::Asf:
        return "asf";
    case EQVContainer::MpegPs1:
        return "mpeg";
    case EQVContainer::MpegPs2:
        return "vob";
    case EQVContainer::Flv:
        return "flv";
    case EQVContainer::Matroska:
        return "matroska";
    case EQVContainer::WebM:
        return "webm";
    }
    return nullptr;
}

double EncoderFrameRate(int32_t nOutputType, double dFrameRate)
{
    const tagQVOutputType* pType = FindOutputType(nOutputType);
    if (pType == nullptr ||
        (pType->eVideoCodec != EQVVideoCodec::Mpeg1 && pType->eVideoCodec != EQVVideoCodec::Mpeg2))
        return dFrameRate;
    static const double kMpegRates[] = {24000.0 / 1001.0, 24.0, 25.0, 30000.0 / 1001.0, 30.0, 50.0,
                                        60000.0 / 1001.0, 60.0};
    double dBest = kMpegRates[0];
    for (double dRate : kMpegRates)
        if (std::fabs(dRate - dFrameRate) < std::fabs(dBest - dFrameRate))
            dBest = dRate;
    return dBest;
}

bool MuxerWantsGlobalHeader(EQVContainer eContainer)
{
    const char* pszMuxer = MuxerName(eContainer);
    const AVOutputFormat* pFormat =
        pszMuxer != nullptr ? av_guess_format(pszMuxer, nullptr, nullptr) : nullptr;
    return pFormat != nullptr && (pFormat->flags & AVFMT_GLOBALHEADER) != 0;
}

tagQVFrameStructure VideoFrameStructure(const tagQVEncodeSettings& settings)
{
    tagQVFrameStructure structure{kMpeg4Gop, 0};
    if (IsModernVideo(settings.eVideoCodec))
    {
        const int32_t nGop = static_cast<int32_t>(
            std::clamp(std::lround(settings.dFrameRate * kModernGopSeconds), 1L, 600L));
        return {nGop, settings.eVideoCodec == EQVVideoCodec::H265 ? kH265BFrames : 0};
    }
    switch (settings.eVideoCodec)
    {
    case EQVVideoCodec::H264:
    {
        int32_t nB = settings.bBFramesGiven ? settings.nBFrames : 0;
        nB = IsBaseline(settings) ? 0 : std::clamp(nB, 0, kMaxH264BFrames);
        const int32_t nP = std::clamp(settings.nPFrames, 1, 7);
        return {1 + nP * (nB + 1), nB};
    }
    case EQVVideoCodec::Mpeg1:
    case EQVVideoCodec::Mpeg2:
        structure = {kMpeg12Gop, kMpeg12BFrames};
        break;
    default:
        break;
    }
    if (settings.nKeyFrameInterval > 0)
        structure.nGopFrames = settings.nKeyFrameInterval;
    return structure;
}

const char* H264ProfileName(const tagQVEncodeSettings& settings)
{
    if (!IsH264(settings))
        return nullptr;
    return IsBaseline(settings) ? "baseline" : "main";
}

int32_t H264Level(const tagQVEncodeSettings& settings)
{
    if (!IsH264(settings))
        return 0;
    switch (settings.nH264Profile)
    {
    case kH264ProfileDevice:
        return 31;
    case kH264ProfileSmallDevice:
        return 30;
    default:
        return 0;
    }
}

int32_t ModernCrf(EQVVideoCodec eCodec, int32_t nQuality)
{
    const int32_t nLast = static_cast<int32_t>(std::size(kCrfPoints)) - 1;
    const int32_t nFactor =
        std::clamp(nQuality, kCrfPoints[0].nQuality, kCrfPoints[nLast].nQuality);
    for (int32_t i = 1; i <= nLast; ++i)
    {
        const tagQVCrfPoint& low = kCrfPoints[i - 1];
        const tagQVCrfPoint& high = kCrfPoints[i];
        if (nFactor > high.nQuality)
            continue;
        const double dT = static_cast<double>(nFactor - low.nQuality) /
                          static_cast<double>(high.nQuality - low.nQuality);
        const double dLow = CrfOf(low, eCodec);
        return static_cast<int32_t>(std::lround(dLow + dT * (CrfOf(high, eCodec) - dLow)));
    }
    return CrfOf(kCrfPoints[nLast], eCodec);
}

namespace
{

// libx265, libsvtav1 and libvpx-vp9: speed for two cores, closed GOPs with no key frames of
// their own, and the CRF of the quality factor. The speeds keep a 1080p crop within three
// times the H.264 type's wall time on two cores.
int ApplyModernVideoOptions(const tagQVEncodeSettings& settings, AVCodecContext* pContext)
{
    void* pPrivate = pContext->priv_data;
    const bool bQuality = settings.eRateMode == EQVRateMode::Quality;
    const int32_t nCrf = ModernCrf(settings.eVideoCodec, settings.nQuality);
    int nResult = 0;
    switch (settings.eVideoCodec)
    {
    case EQVVideoCodec::H265:
        nResult |= av_opt_set(pPrivate, "preset", "fast", 0);
        nResult |= av_opt_set(pPrivate, "x265-params",
                              "log-level=none:scenecut=0:open-gop=0:b-adapt=0:b-pyramid=0", 0);
        if (bQuality)
            nResult |= av_opt_set_double(pPrivate, "crf", nCrf, 0);
        break;
    case EQVVideoCodec::Av1:
        if (settings.nWidth < kMinAv1Side || settings.nHeight < kMinAv1Side)
            return AVERROR(EINVAL);
        nResult |= av_opt_set_int(pPrivate, "preset", 8, 0);
        // Two tile columns once the picture is wide enough to split.
        nResult |= av_opt_set(pPrivate, "svtav1-params",
                              settings.nWidth >= 1280 ? "scd=0:tile-columns=1" : "scd=0", 0);
        if (bQuality)
            nResult |= av_opt_set_int(pPrivate, "crf", nCrf, 0);
        break;
    case EQVVideoCodec::Vp9:
        nResult |= av_opt_set(pPrivate, "deadline", "realtime", 0);
        nResult |= av_opt_set_int(pPrivate, "cpu-used", 4, 0);
        nResult |= av_opt_set_int(pPrivate, "row-mt", 1, 0);
        nResult |= av_opt_set_int(pPrivate, "tile-columns", settings.nWidth >= 512 ? 1 : 0, 0);
        if (bQuality)
        {
            pContext->bit_rate = 0;
            nResult |= av_opt_set_int(pPrivate, "crf", nCrf, 0);
        }
        break;
    default:
        break;
    }
    return nResult < 0 ? AVERROR(EINVAL) : 0;
}

} // namespace

AVPixelFormat VideoPixelFormat(const tagQVEncodeSettings& settings)
{
    return IsModernVideo(settings.eVideoCodec) && settings.color.IsHdr() ? AV_PIX_FMT_YUV420P10LE
                                                                         : AV_PIX_FMT_YUV420P;
}

int32_t ApplyVideoSettings(const tagQVEncodeSettings& settings, AVCodecContext* pContext,
                           bool bGlobalHeader)
{
    if (pContext == nullptr || !(settings.dFrameRate > 0.0))
        return AVERROR(EINVAL);
    const AVRational frameRate = av_d2q(settings.dFrameRate, 100000);
    pContext->width = settings.nWidth;
    pContext->height = settings.nHeight;
    pContext->framerate = frameRate;
    pContext->time_base = av_inv_q(frameRate);
    pContext->sample_aspect_ratio = AVRational{1, 1};
    pContext->pix_fmt = VideoPixelFormat(settings);
    pContext->color_range = AVCOL_RANGE_MPEG;
    pContext->color_primaries = settings.color.ePrimaries;
    pContext->color_trc = settings.color.eTransfer;
    pContext->colorspace = settings.color.eMatrix;
    pContext->thread_count = 0;
    if (bGlobalHeader)
        pContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    const tagQVFrameStructure structure = VideoFrameStructure(settings);
    pContext->gop_size = structure.nGopFrames;
    pContext->keyint_min = structure.nGopFrames;
    pContext->max_b_frames = structure.nBFrames;
    pContext->flags |= AV_CODEC_FLAG_CLOSED_GOP;

    const bool bQuality = settings.eRateMode == EQVRateMode::Quality;
    if (!bQuality)
        pContext->bit_rate =
            std::clamp<int64_t>(settings.nVideoBitrate, kMinVideoBitrate, kMaxVideoBitrate);

    if (IsModernVideo(settings.eVideoCodec))
    {
        const int nModern = ApplyModernVideoOptions(settings, pContext);
        return nModern < 0 ? nModern : ApplyGradingParameters(settings, pContext);
    }
    void* pPrivate = pContext->priv_data;
    int nResult = 0;
    if (IsH264(settings))
    {
        nResult |= av_opt_set(pPrivate, "preset", "medium", 0);
        nResult |= av_opt_set(pPrivate, "profile", H264ProfileName(settings), 0);
        if (const int32_t nLevel = H264Level(settings); nLevel > 0)
            pContext->level = nLevel;
        nResult |= av_opt_set_int(pPrivate, "b_strategy", 0, 0);
        nResult |= av_opt_set_int(pPrivate, "sc_threshold", 0, 0);
        nResult |= av_opt_set(pPrivate, "b-pyramid", "none", 0);
        if (bQuality)
            nResult |= av_opt_set_double(pPrivate, "crf", std::clamp(settings.nQuality, 1, 51), 0);
    }
    else
    {
        nResult |= av_opt_set_int(pPrivate, "sc_threshold", kNoSceneCut, 0);
        if (settings.eVideoCodec == EQVVideoCodec::Mpeg1 ||
            settings.eVideoCodec == EQVVideoCodec::Mpeg2)
            pContext->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
        if (bQuality)
        {
            pContext->flags |= AV_CODEC_FLAG_QSCALE;
            pContext->global_quality = std::clamp(settings.nQuality, 1, 31) * FF_QP2LAMBDA;
        }
    }
    return nResult < 0 ? AVERROR(EINVAL) : 0;
}

tagQVAudioFormat ChooseAudioFormat(const tagQVEncodeSettings& settings, const AVCodec* pCodec)
{
    tagQVAudioFormat format;
    switch (settings.eChannelMode)
    {
    case EQVChannelMode::Mono:
        format.nChannels = 1;
        break;
    case EQVChannelMode::Multichannel:
        if (settings.eAudioCodec == EQVAudioCodec::Aac ||
            settings.eAudioCodec == EQVAudioCodec::Ac3 ||
            settings.eAudioCodec == EQVAudioCodec::Opus)
        {
            format.bLowFrequencyChannel = settings.bLowFrequencyChannel;
            format.nChannels = format.bLowFrequencyChannel ? 6 : 5;
            break;
        }
        format.nChannels = 2;
        break;
    default:
        format.nChannels = 2;
        break;
    }

    int32_t nWantedRate = settings.nAudioSampleRate;
    if (nWantedRate <= 0)
        nWantedRate = settings.eAudioCodec == EQVAudioCodec::Ac3 ? 48000 : kMixSampleRate;
    if (settings.eAudioCodec == EQVAudioCodec::Opus)
        nWantedRate = kOpusSampleRate;
    format.nSampleRate = pCodec != nullptr ? NearestSampleRate(pCodec, nWantedRate) : nWantedRate;

    const int64_t nKbps = settings.nAudioBitrateKbps > 0
                              ? settings.nAudioBitrateKbps
                              : DefaultAudioKbps(settings.eAudioCodec, format.nChannels);
    format.nBitRate = 1000LL * AllowedAudioKbps(settings.eAudioCodec, nKbps, format.nChannels,
                                                format.nSampleRate);

    format.eSampleFormat = AV_SAMPLE_FMT_FLTP;
    if (pCodec != nullptr && pCodec->sample_fmts != nullptr)
    {
        format.eSampleFormat = pCodec->sample_fmts[0];
        for (const AVSampleFormat* p = pCodec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
        {
            if (*p == AV_SAMPLE_FMT_FLTP)
                format.eSampleFormat = *p;
        }
    }
    return format;
}

void AudioChannelLayout(const tagQVAudioFormat& format, AVChannelLayout* pLayout)
{
    switch (format.nChannels)
    {
    case 1:
        *pLayout = AV_CHANNEL_LAYOUT_MONO;
        break;
    case 5:
        *pLayout = AV_CHANNEL_LAYOUT_5POINT0_BACK;
        break;
    case 6:
        *pLayout = AV_CHANNEL_LAYOUT_5POINT1_BACK;
        break;
    default:
        *pLayout = AV_CHANNEL_LAYOUT_STEREO;
        break;
    }
}

int32_t ApplyAudioSettings(const tagQVEncodeSettings& settings, AVCodecContext* pContext,
                           bool bGlobalHeader)
{
    if (pContext == nullptr || pContext->codec == nullptr)
        return AVERROR(EINVAL);
    const tagQVAudioFormat format = ChooseAudioFormat(settings, pContext->codec);
    pContext->sample_rate = format.nSampleRate;
    pContext->sample_fmt = format.eSampleFormat;
    pContext->bit_rate = format.nBitRate;
    pContext->time_base = AVRational{1, format.nSampleRate};
    av_channel_layout_uninit(&pContext->ch_layout);
    AudioChannelLayout(format, &pContext->ch_layout);
    if (bGlobalHeader)
        pContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return 0;
}

} // namespace qv
