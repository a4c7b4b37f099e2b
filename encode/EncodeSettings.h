// The encoder settings of one conversion, derived from the output settings record and the
// H.264 choices. These are the output-type table's rules; what each value means to
// FFmpeg is decided in one place only, EncoderMapping.h.
#pragma once

#include "formats/OutputTypes.h"
#include "media/SourceFacts.h"
#include "probe/ColorDescription.h"
#include "project/OutputSettings.h"
#include "project/SettingsFiles.h"

#include <cstdint>

namespace qv
{

enum class EQVRateMode
{
    Bitrate, // size and bitrate priority: nVideoBitrate
    Quality, // quality priority: nQuality
};

enum class EQVChannelMode
{
    Mono,
    Stereo,
    Multichannel,
};

// H.264 profile values by output type (the "profile value" of the H.264 encoder).
enum : int32_t
{
    kH264ProfileMainHd = 1,      // types 0, 6 (Main chosen, HD output) and 13
    kH264ProfileMainHdFlv = 2,   // type 12, Main chosen, HD output
    kH264ProfileDevice = 4,      // type 1
    kH264ProfileSmallDevice = 5, // type 2
    kH264ProfileBaseline = 6,    // types 0, 6 otherwise
    kH264ProfileBaselineFlv = 7, // type 12 otherwise
};

struct tagQVEncodeSettings
{
    // --- the chain
    int32_t nOutputType = 0;
    EQVContainer eContainer = EQVContainer::Mp4;
    const char* pszExtension = ".mp4";
    bool bWindowsMedia = false; // types 7 and 8: the Windows Media writer chain
    bool bVideoFirst = false;   // stream order: video first (Matroska, ASF) or audio first

    // --- video
    EQVVideoCodec eVideoCodec = EQVVideoCodec::H264;
    int32_t nWidth = 0;  // pixels
    int32_t nHeight = 0; // pixels
    double dFrameRate = 30.0;
    EQVRateMode eRateMode = EQVRateMode::Quality;
    int64_t nVideoBitrate = 0; // bit/s, bitrate mode
    int32_t nQuality = 0;      // quality mode; MPEG-4 and MPEG-1/2 already clamped to 1..31
    // The colours the pictures are written in (OutputColor.h); the encoder writes them into
    // the stream where its codec can carry them. BT.601 unless the conversion chooses.
    tagQVColorDescription color = QVUntaggedDescription(0, 0);

    // --- frame structure
    int32_t nH264Profile = 0;      // profile value above; 0 when the video is not H.264
    int32_t nPFrames = 0;          // H.264: P frames between two I frames, 1..7
    int32_t nBFrames = 0;          // H.264: B frames between two P frames, as the user chose
    bool bBFramesGiven = false;    // H.264: nBFrames reaches the encoder (types 0, 6, 12)
    int32_t nKeyFrameInterval = 0; // frames between key frames; 0: the codec's fixed value

    // --- audio, as stored in the record: 0 means the codec's default
    EQVAudioCodec eAudioCodec = EQVAudioCodec::Aac;
    int32_t nAudioBitrateKbps = 0;
    int32_t nAudioSampleRate = 0; // Hz
    EQVChannelMode eChannelMode = EQVChannelMode::Stereo;
    bool bLowFrequencyChannel = false; // multichannel with LFE (AAC flag; AC3 types 5, 11)

    // --- what the file keeps of its source: tags where the container holds them, and the
    //     file time
    tagQVSourceFacts sourceFacts;
};

// Bits per second for size priority: floor(nFileSizeMB x 1024 / dDuration) x 8192.
int64_t SizePriorityBitrate(int32_t nFileSizeMB, double dDuration);

// HD means at least 960 x 720.
bool IsHdOutput(int32_t nWidth, int32_t nHeight);

// The H.264 profile value of an output type; 0 for types without H.264.
int32_t H264ProfileValue(int32_t nOutputType, int32_t nProfileIndex, int32_t nWidth,
                         int32_t nHeight);

// Fills *pOut from the record (type, size, rate mode, audio fields), the H.264 indices and
// the duration. Writes back into *pRecord what the rules change: a negative target size
// becomes 1 in size priority; a quality outside 1..31 is clamped for MPEG-4 and MPEG-1/2.
// Returns 0, or -1 (nothing written) for a type outside 0..13, a duration that is not a
// positive number, or a null argument.
int32_t DeriveEncodeSettings(tagQVOutputSettings* pRecord, const tagQVH264Settings& h264,
                             double dDuration, double dFrameRate, tagQVEncodeSettings* pOut);

} // namespace qv
