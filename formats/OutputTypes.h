// The output types 0..17 that the engine writes: container, extension and codecs of each,
// and the FFmpeg encoders behind the codecs. Both programs read it: the engine builds its
// chain from it, the front-end names the types and the files after it and offers only the
// types whose encoders this build has. Depends on nothing else of the pipeline.
#pragma once

#include <cstdint>

namespace qv
{

// The output type codes: nOutputFormat of the output settings record.
constexpr int32_t kOutputMp4 = 0;            // MP4, H.264 + AAC
constexpr int32_t kOutputMp4Device = 1;      // the same with the device profile
constexpr int32_t kOutputMp4SmallDevice = 2; // the same with the small-device profile
constexpr int32_t kOutputAviMp3 = 3;         // AVI, MPEG-4 + MP3
constexpr int32_t kOutputAviAc3 = 4;         // AVI, MPEG-4 + AC3
constexpr int32_t kOutputAviAc3Surround = 5; // AVI, MPEG-4 + AC3 5.1
constexpr int32_t kOutputMov = 6;            // MOV, H.264 + AAC
constexpr int32_t kOutputWmv = 7;            // Windows Media, ".wmv"
constexpr int32_t kOutputAsf = 8;            // Windows Media, ".asf"
constexpr int32_t kOutputMpeg1 = 9;          // MPEG-1 program stream + MP3
constexpr int32_t kOutputMpeg2 = 10;         // MPEG-2 program stream + AC3
constexpr int32_t kOutputMpeg2Surround = 11; // MPEG-2 program stream + AC3 5.1
constexpr int32_t kOutputFlv = 12;           // FLV, H.264 + AAC
constexpr int32_t kOutputMkv = 13;           // Matroska, H.264 + MP3
constexpr int32_t kOutputMp4Hevc = 14;       // MP4, H.265 (tag hvc1) + AAC
constexpr int32_t kOutputMp4Av1 = 15;        // MP4, AV1 + AAC
constexpr int32_t kOutputWebmVp9 = 16;       // WebM, VP9 + Opus
constexpr int32_t kOutputWebmAv1 = 17;       // WebM, AV1 + Opus
constexpr int32_t kOutputTypeCount = 18;

enum class EQVContainer
{
    Mp4,      // types 0, 1, 2, 14, 15
    Avi,      // types 3, 4, 5
    Mov,      // type 6
    Asf,      // types 7 (.wmv), 8 (.asf)
    MpegPs1,  // type 9: MPEG-1 program stream
    MpegPs2,  // types 10, 11: MPEG-2 program stream
    Flv,      // type 12
    Matroska, // type 13
    WebM,     // types 16, 17
};

enum class EQVVideoCodec
{
    H264,
    Mpeg4,
    Mpeg1,
    Mpeg2,
    Wmv1,
    Wmv2,
    H265,
    Av1,
    Vp9,
};

enum class EQVAudioCodec
{
    Aac,
    Ac3,
    MpegAudio, // MPEG-1/2 layer III
    Wma1,
    Wma2,
    Opus,
};

struct tagQVOutputType
{
    EQVContainer eContainer;
    const char* pszExtension; // with the dot
    // Types 7 and 8 start from fixed Windows Media codecs; the profile of the Windows
    // Media settings replaces them when the engine applies it.
    EQVVideoCodec eVideoCodec;
    EQVAudioCodec eAudioCodec;
    // The six-channel AC3 variants (5, 11): 5.1 with LFE whatever the channel field says.
    bool bForcedSurround;
};

// The type's row; null for a type outside 0..17.
const tagQVOutputType* FindOutputType(int32_t nType);

// The FFmpeg encoders of the codecs; null for a value outside the enumerations.
const char* VideoEncoderName(EQVVideoCodec eCodec);
const char* AudioEncoderName(EQVAudioCodec eCodec);

// Whether an encoder of this name can be opened; FFmpeg's own list by default.
using QVEncoderLookup = bool (*)(const char* pszEncoder);
bool QVFFmpegHasEncoder(const char* pszEncoder);

// The type exists and the lookup has both of its encoders.
bool IsOutputTypeAvailable(int32_t nType, QVEncoderLookup pfnHasEncoder = QVFFmpegHasEncoder);

// libsvtav1 takes no picture side below this.
constexpr int32_t kMinAv1Side = 64;
// The smallest width and height the type's video encoder takes; 1 for the types without
// such a limit, 0 for a type outside 0..17.
int32_t MinOutputSide(int32_t nType);

// Types 7 and 8: the Windows Media writer chain, configured from "tmp/wmv.prx".
bool IsWindowsMediaType(int32_t nType);

} // namespace qv
