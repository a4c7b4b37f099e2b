#include "encode/EncodeSettings.h"

#include <algorithm>
#include <cmath>

namespace qv
{

int64_t SizePriorityBitrate(int32_t nFileSizeMB, double dDuration)
{
    if (!(dDuration > 0.0))
        return 0;
    const double dKilobytesPerSecond = std::floor(nFileSizeMB * 1024.0 / dDuration);
    return static_cast<int64_t>(dKilobytesPerSecond) * 8192;
}

bool IsHdOutput(int32_t nWidth, int32_t nHeight)
{
    return nWidth >= 960 && nHeight >= 720;
}

int32_t H264ProfileValue(int32_t nOutputType, int32_t nProfileIndex, int32_t nWidth,
                         int32_t nHeight)
{
    const bool bMainHd = nProfileIndex == 0 && IsHdOutput(nWidth, nHeight);
    switch (nOutputType)
    {
    case kOutputMp4:
    case kOutputMov:
        return bMainHd ? kH264ProfileMainHd : kH264ProfileBaseline;
    case kOutputMp4Device:
        return kH264ProfileDevice;
    case kOutputMp4SmallDevice:
        return kH264ProfileSmallDevice;
    case kOutputFlv:
        return bMainHd ? kH264ProfileMainHdFlv : kH264ProfileBaselineFlv;
    case kOutputMkv:
        return kH264ProfileMainHd;
    default:
        return 0;
    }
}

int32_t DeriveEncodeSettings(tagQVOutputSettings* pRecord, const tagQVH264Settings& h264,
                             double dDuration, double dFrameRate, tagQVEncodeSettings* pOut)
{
    if (pRecord == nullptr || pOut == nullptr)
        return -1;
    const int32_t nType = pRecord->nOutputFormat;
    const tagQVOutputType* pType = FindOutputType(nType);
    // A type this build's FFmpeg cannot encode fails here rather than as another type.
    if (pType == nullptr || !IsOutputTypeAvailable(nType) || !(dDuration > 0.0) ||
        !std::isfinite(dDuration))
        return -1;

    const tagQVOutputType& type = *pType;
    tagQVEncodeSettings settings;
    settings.nOutputType = nType;
    settings.eContainer = type.eContainer;
    settings.pszExtension = type.pszExtension;
    settings.bWindowsMedia = IsWindowsMediaType(nType);
    settings.bVideoFirst = settings.bWindowsMedia || type.eContainer == EQVContainer::Matroska;
    settings.eVideoCodec = type.eVideoCodec;
    settings.eAudioCodec = type.eAudioCodec;
    settings.nWidth = pRecord->nWidth;
    settings.nHeight = pRecord->nHeight;
    settings.dFrameRate = dFrameRate;

    // Rate: size priority spends the target size over the duration, bitrate priority
    // takes kbit/s, quality priority passes the factor on.
    const bool bQuantiserCodec = type.eVideoCodec == EQVVideoCodec::Mpeg4 ||
                                 type.eVideoCodec == EQVVideoCodec::Mpeg1 ||
                                 type.eVideoCodec == EQVVideoCodec::Mpeg2;
    switch (pRecord->nSizeMode)
    {
    case 0:
        if (pRecord->nFileSizeMB < 0)
            pRecord->nFileSizeMB = 1;
        settings.eRateMode = EQVRateMode::Bitrate;
        settings.nVideoBitrate = SizePriorityBitrate(pRecord->nFileSizeMB, dDuration);
        break;
    case 1:
        settings.eRateMode = EQVRateMode::Bitrate;
        settings.nVideoBitrate = static_cast<int64_t>(pRecord->nVideoBitrate) * 1000;
        break;
    default:
        settings.eRateMode = EQVRateMode::Quality;
        if (bQuantiserCodec)
            pRecord->nQuality = std::clamp<int32_t>(pRecord->nQuality, 1, 31);
        settings.nQuality = pRecord->nQuality;
        break;
    }

    if (type.eVideoCodec == EQVVideoCodec::H264)
    {
        settings.nH264Profile =
            H264ProfileValue(nType, h264.nProfileIndex, settings.nWidth, settings.nHeight);
        // The index counts from "1 P Frame"; the B index reaches only these three types.
        const int64_t nP = static_cast<int64_t>(h264.nPFrameIndex) + 1;
        settings.nPFrames = static_cast<int32_t>(std::clamp<int64_t>(nP, 1, 7));
        settings.bBFramesGiven = nType == kOutputMp4 || nType == kOutputMov || nType == kOutputFlv;
        settings.nBFrames = settings.bBFramesGiven ? h264.nBFrameIndex : 0;
    }

    settings.nAudioBitrateKbps = pRecord->nAudioBitrate;
    settings.nAudioSampleRate = pRecord->nAudioSampleRate;
    switch (pRecord->nAudioChannels)
    {
    case 0:
        settings.eChannelMode = EQVChannelMode::Mono;
        break;
    case 1:
        settings.eChannelMode = EQVChannelMode::Stereo;
        break;
    default:
        settings.eChannelMode = EQVChannelMode::Multichannel;
        break;
    }
    if (type.eAudioCodec == EQVAudioCodec::Aac || type.eAudioCodec == EQVAudioCodec::Opus)
    {
        settings.bLowFrequencyChannel =
            settings.eChannelMode == EQVChannelMode::Multichannel && pRecord->nReserved80 != 0;
    }
    else if (type.eAudioCodec == EQVAudioCodec::Ac3)
    {
        // Types 5 and 11 are the six-channel AC3 variants whatever the channel field says;
        // the others carry no LFE channel even when multichannel.
        if (type.bForcedSurround)
        {
            settings.eChannelMode = EQVChannelMode::Multichannel;
            settings.bLowFrequencyChannel = true;
        }
    }
    else if (settings.eChannelMode == EQVChannelMode::Multichannel)
    {
        // MPEG audio and Windows Media audio know mono and stereo only.
        settings.eChannelMode = EQVChannelMode::Stereo;
    }

    *pOut = settings;
    return 0;
}

} // namespace qv
