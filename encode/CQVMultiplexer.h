// The multiplexer: interleaves the encoders' packets into the container and hands the
// bytes to the file sink.
//
// The video and the audio streaming threads write concurrently. A stream that runs more
// than a second ahead of the other (unfinished) one waits, so the muxer's interleaving
// queue stays small however fast the audio side is.
#pragma once

#include "encode/EncodeSettings.h"
#include "probe/FFmpegCommon.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace qv
{

class CQVMultiplexer
{
public:
    CQVMultiplexer() = default;
    ~CQVMultiplexer() { Close(); }
    CQVMultiplexer(const CQVMultiplexer&) = delete;
    CQVMultiplexer& operator=(const CQVMultiplexer&) = delete;

    // Allocates the muxer for the container. Returns 0 or a negative AVERROR.
    int32_t Open(EQVContainer eContainer);

    // Tags the file with the source's creation time, location, make and model: MP4 and MOV
    // as QuickTime keys (the com.apple.quicktime ones phones write) with the creation time
    // in the movie header, Matroska as tags; other containers get none. Before Start only.
    void SetSourceFacts(const tagQVSourceFacts& facts);

    // Adds a stream for an opened encoder; streams are numbered in the order added.
    // Returns the stream index or a negative AVERROR. Before Start only.
    int32_t AddStream(const AVCodecContext* pEncoder);

    // Puts the grading of HDR colours on the stream (HdrGrading.h), so that the container
    // declares it too. 0 or a negative AVERROR. Before Start only.
    int32_t SetStreamGrading(int32_t nStream, const tagQVColorDescription& color);

    // Writes the container header into pIo (owned by the caller). 0 or a negative AVERROR.
    int32_t Start(AVIOContext* pIo);

    // Takes the packet's data (the packet is left empty). Times are in encoderTimeBase.
    // Blocks while the stream is too far ahead. Returns 0, a negative AVERROR, or
    // AVERROR_EXIT once aborted. Any thread.
    int32_t WritePacket(int32_t nStream, AVPacket* pPacket, AVRational encoderTimeBase);

    // Takes every packet the encoder has ready and writes it to the stream. 0 when the
    // encoder needs more input or has ended; a negative code from the encoder or the write.
    int32_t DrainEncoder(int32_t nStream, AVCodecContext* pEncoder, AVPacket* pPacket);

    // The stream sends nothing more; the other stream no longer waits for it. Any thread.
    void EndStream(int32_t nStream);

    // Writes the trailer once every stream has ended. 0 or a negative AVERROR.
    int32_t Finish();

    // Wakes every waiting writer; later writes return AVERROR_EXIT. Any thread.
    void Abort();

    void Close();

private:
    bool MustWait(size_t nStream) const;

    struct tagQVStreamState
    {
        double dLastSeconds = 0.0; // decoding time of the last packet written
        bool bEnded = false;
    };

    QVOutputFormatPtr m_pFormat;
    EQVContainer m_eContainer = EQVContainer::Mp4;
    bool m_bQuickTimeKeys = false; // the mov muxer writes its metadata as keys
    bool m_bStarted = false;
    bool m_bAborted = false;
    std::vector<tagQVStreamState> m_streams;
    std::mutex m_lock;
    std::condition_variable m_progress;
};

} // namespace qv
