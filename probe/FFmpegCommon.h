// Small helpers shared by the FFmpeg readers and writers: owning wrappers, the one ratio function
// every time-base conversion goes through, and safe number conversions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace qv
{

// Any rate, duration or frame rate below this counts as missing.
constexpr double kQVMediaEpsilon = 2.5e-5;

// numerator / denominator, and 0 when either is 0.
double QVRatio(int64_t nNumerator, int64_t nDenominator);
inline double QVRatio(AVRational r)
{
    return QVRatio(r.num, r.den);
}

// Truncates toward zero; NaN gives 0 and values outside int64 are clamped, so that
// arithmetic on broken stream values never becomes undefined behaviour.
int64_t QVTruncToInt64(double dValue);

// Processors of this machine, at least 1: the decoders' thread count.
int QVProcessorCount();

// Turns FFmpeg's own messages off for the whole process. Both programs report nothing
// on the console, so each calls this once at start-up.
void QVSilenceFFmpegLog();

// Full-range pixel formats (the "J" formats), whose black is 0, not 16.
bool QVIsFullRangeFormat(int nFormat);
// A full-range format, or a frame that says it is full range.
bool QVIsFullRange(const AVFrame& frame);

// The first stream of the given type that is a real stream (cover art attached to an
// audio file is a single picture, not video); -1 when there is none.
int QVFindFirstStream(const AVFormatContext* pFormat, AVMediaType eType);

// --- owning wrappers; each frees its object with the matching FFmpeg call
struct QVFormatCloser
{
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct QVCodecFreer
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct QVFrameFreer
{
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct QVPacketFreer
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct QVScalerFreer
{
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct QVResamplerFreer
{
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct QVAvFreer
{
    void operator()(void* p) const { av_free(p); }
};
struct QVAudioFifoFreer
{
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
// An output context whose I/O belongs to someone else (the file sink).
struct QVOutputFormatFreer
{
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using QVFormatPtr = std::unique_ptr<AVFormatContext, QVFormatCloser>;
using QVCodecPtr = std::unique_ptr<AVCodecContext, QVCodecFreer>;
using QVFramePtr = std::unique_ptr<AVFrame, QVFrameFreer>;
using QVPacketPtr = std::unique_ptr<AVPacket, QVPacketFreer>;
using QVScalerPtr = std::unique_ptr<SwsContext, QVScalerFreer>;
using QVResamplerPtr = std::unique_ptr<SwrContext, QVResamplerFreer>;
using QVBufferPtr = std::unique_ptr<uint8_t, QVAvFreer>;
using QVAudioFifoPtr = std::unique_ptr<AVAudioFifo, QVAudioFifoFreer>;
using QVOutputFormatPtr = std::unique_ptr<AVFormatContext, QVOutputFormatFreer>;

// Opens the file (UTF-8 path, no forced format, local files only) and reads its stream
// information. Null on any failure.
QVFormatPtr QVOpenInput(const std::string& path);

} // namespace qv
