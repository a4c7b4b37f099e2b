#include "formats/OutputTypes.h"

extern "C"
{
#include <libavcodec/avcodec.h>
}

namespace qv
{

namespace
{

const tagQVOutputType kOutputTypes[kOutputTypeCount] = {
    {EQVContainer::Mp4, ".mp4", EQVVideoCodec::H264, EQVAudioCodec::Aac, false},
    {EQVContainer::Mp4, ".mp4", EQVVideoCodec::H264, EQVAudioCodec::Aac, false},
    {EQVContainer::Mp4, ".mp4", EQVVideoCodec::H264, EQVAudioCodec::Aac, false},
    {EQVContainer::Avi, ".avi", EQVVideoCodec::Mpeg4, EQVAudioCodec::MpegAudio, false},
    {EQVContainer::Avi, ".avi", EQVVideoCodec::Mpeg4, EQVAudioCodec::Ac3, false},
    {EQVContainer::Avi, ".avi", EQVVideoCodec::Mpeg4, EQVAudioCodec::Ac3, true},
    {EQVContainer::Mov, ".mov", EQVVideoCodec::H264, EQVAudioCodec::Aac, false},
    {EQVContainer::Asf, ".wmv", EQVVideoCodec::Wmv2, EQVAudioCodec::Wma2, false},
    {EQVContainer::Asf, ".asf", EQVVideoCodec::Wmv2, EQVAudioCodec::Wma2, false},
    {EQVContainer::MpegPs1, ".mpg", EQVVideoCodec::Mpeg1, EQVAudioCodec::MpegAudio, false},
    {EQVContainer::MpegPs2, ".mpg", EQVVideoCodec::Mpeg2, EQVAudioCodec::Ac3, false},
    {EQVContainer::MpegPs2, ".mpg", EQVVideoCodec::Mpeg2, EQVAudioCodec::Ac3, true},
    {EQVContainer::Flv, ".flv", EQVVideoCodec::H264, EQVAudioCodec::Aac, false},
    {EQVContainer::Matroska, ".mkv", EQVVideoCodec::H264, EQVAudioCodec::MpegAudio, false},
    {EQVContainer::Mp4, ".mp4", EQVVideoCodec::H265, EQVAudioCodec::Aac, false},
    {EQVContainer::Mp4, ".mp4", EQVVideoCodec::Av1, EQVAudioCodec::Aac, false},
    {EQVContainer::WebM, ".webm", EQVVideoCodec::Vp9, EQVAudioCodec::Opus, false},
    {EQVContainer::WebM, ".webm", EQVVideoCodec::Av1, EQVAudioCodec::Opus, false},
};

} // namespace

const tagQVOutputType* FindOutputType(int32_t nType)
{
    return nType >= 0 && nType < kOutputTypeCount ? &kOutputTypes[nType] : nullptr;
}

const char* VideoEncoderName(EQVVideoCodec eCodec)
{
    switch (eCodec)
    {
    case EQVVideoCodec::H264:
        return "libx264";
    case EQVVideoCodec::Mpeg4:
        return "mpeg4";
    case EQVVideoCodec::Mpeg1:
        return "mpeg1video";
    case EQVVideoCodec::Mpeg2:
        return "mpeg2video";
    case EQVVideoCodec::Wmv1:
        return "wmv1";
    case EQVVideoCodec::Wmv2:
        return "wmv2";
    case EQVVideoCodec::H265:
        return "libx265";
    case EQVVideoCodec::Av1:
        return "libsvtav1";
    case EQVVideoCodec::Vp9:
        return "libvpx-vp9";
    }
    return nullptr;
}

const char* AudioEncoderName(EQVAudioCodec eCodec)
{
    switch (eCodec)
    {
    case EQVAudioCodec::Aac:
        return "aac";
    case EQVAudioCodec::Ac3:
        return "ac3";
    case EQVAudioCodec::MpegAudio:
        return "libmp3lame";
    case EQVAudioCodec::Wma1:
        return "wmav1";
    case EQVAudioCodec::Wma2:
        return "wmav2";
    case EQVAudioCodec::Opus:
        return "libopus";
    }
    return nullptr;
}

bool QVFFmpegHasEncoder(const char* pszEncoder)
{
    return pszEncoder != nullptr && avcodec_find_encoder_by_name(pszEncoder) != nullptr;
}

bool IsOutputTypeAvailable(int32_t nType, QVEncoderLookup pfnHasEncoder)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    if (pType == nullptr)
        return false;
    const char* pszVideo = VideoEncoderName(pType->eVideoCodec);
    const char* pszAudio = AudioEncoderName(pType->eAudioCodec);
    return pszVideo != nullptr && pszAudio != nullptr && pfnHasEncoder(pszVideo) &&
           pfnHasEncoder(pszAudio);
}

int32_t MinOutputSide(int32_t nType)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    if (pType == nullptr)
        return 0;
    return pType->eVideoCodec == EQVVideoCodec::Av1 ? kMinAv1Side : 1;
}

bool IsWindowsMediaType(int32_t nType)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    return pType != nullptr && pType->eContainer == EQVContainer::Asf;
}

} // namespace qv
