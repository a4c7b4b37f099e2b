// Owning handles for the FFmpeg objects of the conversion stages: the decoding side's
// handles, plus the two kinds only the output side has.
#pragma once

#include "media/FFMpegCommon.h"

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

struct QVAudioFifoFree
{
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
// An output context whose I/O belongs to someone else (the file sink).
struct QVOutputFormatFree
{
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using QVCodecContextPtr = QVCodecPtr;
using QVSwsPtr = QVScalerPtr;
using QVSwrPtr = QVResamplerPtr;
using QVAudioFifoPtr = std::unique_ptr<AVAudioFifo, QVAudioFifoFree>;
using QVOutputFormatPtr = std::unique_ptr<AVFormatContext, QVOutputFormatFree>;

} // namespace qv
