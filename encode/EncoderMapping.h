// The one place where the derived encoder settings (EncodeSettings.h) become FFmpeg
// encoders, muxers and options. Every choice below is what the tests check with ffprobe.
//
// Containers: Mp4 "mp4", Mov "mov", Avi "avi", Asf "asf", MpegPs1 "mpeg" (MPEG-1 system
// stream), MpegPs2 "vob" (MPEG-2 program stream), Flv "flv", Matroska "matroska", WebM
// "webm". H.265 in MP4 carries the tag hvc1.
//
// Video, yuv420p in the output's colours (OutputColor.h), limited range, converted from the
// bottom-up BGRA samples or the source's own pictures; yuv420p10le when an H.265, AV1 or
// VP9 output keeps its source's HDR, the grading then passed on by HdrGrading.h:
// - H.264 (libx264, preset medium). Profile values 1 and 2 mean the Main profile; 4, 5,
//   6 and 7 mean Baseline (their device and FLV flavours are carried by the container).
//   Quality: crf = quality factor clamped to 1..51 (0 would be lossless, which Main
//   cannot carry). Bitrate: average bitrate. Frame structure, closed GOP, no scene cuts,
//   no adaptive B placement, no B pyramid: B = the given B count clamped to 0..16
//   (0 when it is not given and always 0 in Baseline), GOP = 1 + P x (B + 1).
// - MPEG-4 part 2 (mpeg4): quality -> fixed qscale 1..31; bitrate -> average bitrate;
//   closed GOP of 12 frames, no B frames.
// - MPEG-1 (mpeg1video) and MPEG-2 (mpeg2video): as MPEG-4, closed GOP of 13 frames
//   with 2 B frames between P frames (I BB P BB P BB P BB P).
// - Windows Media (wmv1/wmv2): as MPEG-4 with a GOP of 12; a non-zero
//   nKeyFrameInterval replaces the GOP of MPEG-4, MPEG-1/2 and Windows Media video.
// - H.265 (libx265, preset fast), AV1 (libsvtav1, preset 8) and VP9 (libvpx-vp9, realtime
//   deadline, cpu-used 4, row threading, tile columns from 512 pixels): quality -> the
//   encoder's CRF by ModernCrf; bitrate -> average bitrate; closed GOP of about two
//   seconds, no scene cuts; H.265 has 3 B frames without adaptive placement or pyramid.
//   AV1 fails for a side under kMinAv1Side. The H.264 frame-structure settings do not
//   reach these encoders.
// Video bitrates are kept within 8,192 bit/s .. 100,000,000 bit/s.
//
// Audio, from the 44,100 Hz 16-bit stereo mix, resampled and remixed to what the encoder
// takes:
// - AAC (aac), AC3 (ac3), MPEG audio (libmp3lame, layer III), Windows Media (wmav1/wmav2),
//   Opus (libopus, always 48,000 Hz; 64/128/256 kbit/s by default, kept within 6..510).
// - Channels: mono 1, stereo 2; multichannel (AAC, AC3, Opus) is 5.0, or 5.1 with the LFE
//   channel; MPEG and Windows Media audio have mono and stereo only. Stereo is spread onto
//   the front left and right speakers of a multichannel layout.
// - Sample rate 0 means 44,100 Hz (48,000 Hz for AC3); any other rate becomes the nearest
//   the encoder takes (AAC 7,350..96,000 in its steps, AC3 32,000/44,100/48,000, MPEG
//   audio 8,000..48,000 in its steps, Windows Media 8,000..48,000).
// - Bitrate 0 means the default: AAC 64/128/320 kbit/s (mono/stereo/multichannel), AC3
//   96/192/448, MPEG audio 64/128, Windows Media 64/128. Other values are kept within
//   what the encoder accepts: AAC 8..960; AC3 the nearest of its bitrates, at least 128
//   for multichannel; MPEG audio the nearest of its layer III bitrates for the rate;
//   Windows Media 24..320.
#pragma once

#include "encode/EncodeSettings.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace qv
{

constexpr int64_t kMinVideoBitrate = 8192;
constexpr int64_t kMaxVideoBitrate = 100000000;

// Null for a value outside the enumeration: the engine then fails, never falls back.
const char* MuxerName(EQVContainer eContainer);

// The CRF of libx265, libsvtav1 or libvpx-vp9 for a quality factor on the H.264 CRF scale.
int32_t ModernCrf(EQVVideoCodec eCodec, int32_t nQuality);

// The muxer wants codec headers out of band (mp4, mov, asf, flv, matroska).
bool MuxerWantsGlobalHeader(EQVContainer eContainer);

// The frame structure the video encoder is given.
struct tagQVFrameStructure
{
    int32_t nGopFrames; // frames from one I frame to the next
    int32_t nBFrames;   // B frames between two reference frames
};
tagQVFrameStructure VideoFrameStructure(const tagQVEncodeSettings& settings);

// "main" or "baseline"; null when the settings are not H.264.
const char* H264ProfileName(const tagQVEncodeSettings& settings);
// The level the stream declares, as level_idc (31 = 3.1): the device formats name theirs
// (type 1: 3.1, the 720p of handheld players; type 2: 3.0, standard definition); 0 leaves
// it to the encoder.
int32_t H264Level(const tagQVEncodeSettings& settings);

// The rate the output type's video encoder is given for a wanted rate: MPEG-1 and MPEG-2
// video know only the eight rates of their frame-rate code (24000/1001, 24, 25,
// 30000/1001, 30, 50, 60000/1001, 60) and take the nearest; every other type the rate
// itself.
double EncoderFrameRate(int32_t nOutputType, double dFrameRate);

// yuv420p10le for an H.265, AV1 or VP9 output whose colours are HDR, else yuv420p.
AVPixelFormat VideoPixelFormat(const tagQVEncodeSettings& settings);

// Sets size, rate, pixel format, rate control, frame structure and private options on a
// context allocated for the encoder, before it is opened. Returns 0 or a negative AVERROR.
int32_t ApplyVideoSettings(const tagQVEncodeSettings& settings, AVCodecContext* pContext,
                           bool bGlobalHeader);

// The audio format the encoder is opened with.
struct tagQVAudioFormat
{
    int32_t nSampleRate = 0;
    int32_t nChannels = 0;
    bool bLowFrequencyChannel = false;
    int64_t nBitRate = 0; // bit/s
    AVSampleFormat eSampleFormat = AV_SAMPLE_FMT_NONE;
};
tagQVAudioFormat ChooseAudioFormat(const tagQVEncodeSettings& settings, const AVCodec* pCodec);

// The channel layout of a chosen format.
void AudioChannelLayout(const tagQVAudioFormat& format, AVChannelLayout* pLayout);

// Sets the chosen format on a context allocated for the encoder, before it is opened.
// Returns 0 or a negative AVERROR.
int32_t ApplyAudioSettings(const tagQVEncodeSettings& settings, AVCodecContext* pContext,
                           bool bGlobalHeader);

} // namespace qv
