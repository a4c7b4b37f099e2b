// The engine's audio reader: the first audio stream of a source, decoded and resampled
// to signed 16-bit stereo at the caller's rate, kept as a queue of chunks from which the
// audio mixer pulls fixed-size blocks. One per item with sound; driven by one thread.
//
// Times are seconds from the file's start, measured like the video reader's (from the
// start of the first video stream, or of the file when it has none).
#pragma once

#include "probe/FFmpegCommon.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qv
{

struct tagQVFFMpegBackupAudioItem
{
    int32_t bSilent = 0;          // 1 for a chunk of silence, 0 for decoded sound
    int32_t nSampleCount = 0;     // stereo frames still held
    double dTime = 0.0;           // seconds
    std::vector<int16_t> samples; // nSampleCount × (left, right)
};

class CQVFFMpegAudioReader
{
public:
    // One conversion writes at most this many stereo frames; more output of one decoded
    // frame (high rates, slow items) is taken in further pieces of the same size.
    static constexpr int kConversionFrames = 48000;

    // Opens the file (UTF-8 path); Failed() is 1 when that fails.
    explicit CQVFFMpegAudioReader(const std::string& path);
    ~CQVFFMpegAudioReader();
    CQVFFMpegAudioReader(const CQVFFMpegAudioReader&) = delete;
    CQVFFMpegAudioReader& operator=(const CQVFFMpegAudioReader&) = delete;

    int Failed() const { return m_bFailed; }

    // False, and closed, when the file cannot be read, has no audio stream or no decoder.
    bool Open(const std::string& path);
    // Frees the FFmpeg objects and the queue. Safe to call twice.
    void Close();

    // Makes the converter from the stream's sound (read through the default layout for
    // its channel count) to 16-bit stereo at nOutputRate. Null when that is impossible.
    // The reader owns the result.
    SwrContext* SetupResampler(int nOutputRate);

    // Seconds at which the stream's sound starts (0 for sound that starts with the file).
    // Reads the file to find it, so it is meant for a separate, short-lived reader.
    double FirstAudioTime();

    // Makes t the next time to deliver: pending silence shrinks by t, frames before t are
    // dropped, and the file itself is sought (half a second early) when no silence is left
    // and t is not near the start. The queue is kept.
    void Seek(double dSeconds);

    // Reads up to the next packet of the stream and queues its sound; returns the stereo
    // frames queued. Sets the end of the stream when nothing more can come.
    int DecodeChunk(int nOutputRate);

    // Copies nCount stereo frames of queued sound into pDestination (frames no chunk
    // reaches keep what was there). 1 when anything was delivered; 0 when nothing was,
    // including while the queued sound lies more than two output frames ahead.
    int Fill(int16_t* pDestination, int nCount, int nOutputRate);

    // The reader's own buffer of nCount stereo frames, cleared and filled; null when Fill
    // delivered nothing. Valid until the next call.
    int16_t* GetSamples(int nCount, int nOutputRate);

    // Seconds of silence to queue ahead of the decoded sound; negative for none.
    void SetPendingSilence(double dSeconds) { m_dPendingSilence = dSeconds; }
    double PendingSilence() const { return m_dPendingSilence; }
    // The engine's output frame rate: 30 while converting, 15 while previewing.
    void SetOutputFrameRate(double dFramesPerSecond) { m_dOutputFrameRate = dFramesPerSecond; }

    bool EndOfStream() const { return m_bEndOfStream != 0; }
    // Nothing more will come: the stream ended and the queue is empty.
    bool Finished() const { return m_bEndOfStream != 0 && m_queue.empty(); }
    double ReadPosition() const { return m_dReadPosition; }
    double LastSkippedTime() const { return m_dLastSkippedTime; }
    const std::deque<tagQVFFMpegBackupAudioItem>& Queue() const { return m_queue; }

private:
    bool MakeResampler(int nChannels, int nSampleFormat, int nSampleRate, int nOutputRate);
    int ReceiveAndQueue(int nOutputRate);
    int QueueFrame(const AVFrame* pFrame, int nOutputRate);
    int QueueConverted(int nFrames, double dTime);
    int DrainAtEnd(int nOutputRate);
    double FrameTime(const AVFrame* pFrame);
    // Reads packets into m_pPacket until one of the audio stream arrives. "Try again"
    // answers are retried while *pTryAgain, counted up by each, stays within kMaxTryAgain.
    // Returns av_read_frame's result: >= 0 with an audio packet, < 0 at the end or on failure.
    int ReadAudioPacket(int* pTryAgain);
    void ClearQueue() { m_queue.clear(); }

    std::deque<tagQVFFMpegBackupAudioItem> m_queue;

    int m_bEndOfStream = 0;
    double m_dReadPosition = 0.0;
    double m_dLastSkippedTime = 0.0;
    double m_dPendingSilence = 0.0;
    int m_bFailed = 0;
    std::vector<int16_t> m_sampleBuffer;
    double m_dSeekTarget = 0.0;
    double m_dOutputFrameRate = 30.0;

    // --- owned FFmpeg objects
    QVFormatPtr m_pFormat;
    QVCodecPtr m_pCodec;
    QVFramePtr m_pFrame;
    QVPacketPtr m_pPacket;
    QVResamplerPtr m_pResampler;
    int m_nAudioStreamIndex = -1;
    AVStream* m_pAudioStream = nullptr;

    // --- what the resampler was made for
    int m_nResamplerChannels = 0;
    int m_nResamplerFormat = -1;
    int m_nResamplerInRate = 0;
    int m_nResamplerOutRate = 0;

    std::vector<int16_t> m_conversion; // kConversionFrames stereo frames, reused
    double m_dOrigin = 0.0;            // seconds of the file's start in stream time
    double m_dNextFrameTime = 0.0;     // where a frame without a timestamp is placed
    bool m_bDrained = false;           // the decoder and resampler gave their last sound
};

} // namespace qv
