#include "encode/OutputTypes.h"

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
};

} // namespace

const tagQVOutputType* FindOutputType(int32_t nType)
{
    return nType >= 0 && nType < kOutputTypeCount ? &kOutputTypes[nType] : nullptr;
}

bool IsWindowsMediaType(int32_t nType)
{
    const tagQVOutputType* pType = FindOutputType(nType);
    return pType != nullptr && pType->eContainer == EQVContainer::Asf;
}

} // namespace qv
