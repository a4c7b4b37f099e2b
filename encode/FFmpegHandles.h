// Owning handles for the FFmpeg objects of the conversion stages.
#pragma once

#include <memory>

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

struct QVCodecContextFree
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct QVFrameFree
{
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct QVPacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct QVSwsFree
{
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct QVSwrFree
{
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct QVAudioFifoFree
{
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
// An output context whose I/O belongs to someone else (the file sink).
struct QVOutputFormatFree
{
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using QVCodecContextPtr = std::unique_ptr<AVCodecContext, QVCodecContextFree>;
using QVFramePtr = std::unique_ptr<AVFrame, QVFrameFree>;
using QVPacketPtr = std::unique_ptr<AVPacket, QVPacketFree>;
using QVSwsPtr = std::unique_ptr<SwsContext, QVSwsFree>;
using QVSwrPtr = std::unique_ptr<SwrContext, QVSwrFree>;
using QVAudioFifoPtr = std::unique_ptr<AVAudioFifo, QVAudioFifoFree>;
using QVOutputFormatPtr = std::unique_ptr<AVFormatContext, QVOutputFormatFree>;

} // namespace qv
