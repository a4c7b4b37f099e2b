// The blank-sample clock at the front of the conversion and preview chains: it hands out
// blank 32-bit RGB samples of the output size at the output frame rate, and silent 16-bit
// stereo PCM buffers, from time 0 up to the stop position, each stamped with its time. It
// decodes nothing: the mixer stages behind it fill the samples from the timeline.
#pragma once

#include "encode/IQVAudioMixerUserCallback.h"
#include "encode/IQVVideoMixerUserCallback.h"
#include "media/tagQVDirectPicture.h"

#include <cstdint>

namespace qv
{

// Times are in 100-nanosecond units.
struct tagQVVideoSample
{
    uint8_t* pBuffer = nullptr; // bottom-up rows, blue-green-red-alpha, stride width x 4
    int32_t nSize = 0;          // bytes
    int64_t nIndex = 0;         // 0-based sample number
    int64_t nStartTime = 0;
    int64_t nStopTime = 0;
    // Where the frame may go as the source's own pixels instead; null when the consumer
    // takes only BGRA (the preview). Not owned.
    tagQVDirectPicture* pDirect = nullptr;
};

struct tagQVAudioBuffer
{
    int16_t* pSamples = nullptr; // interleaved stereo
    int32_t nFrames = 0;         // stereo frames in this buffer
    int32_t nBytes = 0;          // nFrames x 4
    int32_t nCapacity = 0;       // bytes the buffer can hold
    int64_t nStartTime = 0;
    int64_t nStopTime = 0;
};

class CQVBlankSampleClock
{
public:
    static constexpr int32_t kAudioSampleRate = 44100;
    static constexpr int32_t kMaxDimension = 8192;

    // Fixes both groups. Returns 0, or AVERROR(EINVAL) for a width or height that is odd
    // or outside 2..8192, a frame rate that is not a positive number, or a stop position
    // that is not positive.
    int32_t Open(int32_t nWidth, int32_t nHeight, double dFrameRate, int64_t nStopPosition);

    const tagQVBitmapInfoHeader& VideoHeader() const { return m_header; }
    int32_t VideoSampleSize() const { return static_cast<int32_t>(m_header.biSizeImage); }
    // Samples that start before the stop position.
    int64_t VideoSampleCount() const { return m_nVideoSamples; }

    const tagQVWaveFormatEx& AudioFormat() const { return m_waveFormat; }
    // Stereo frames of one full buffer: one video frame's worth of sound.
    int32_t AudioBufferFrames() const { return m_nAudioBufferFrames; }

    // The video streaming thread's cursor: pBuffer (VideoSampleSize bytes) becomes the next
    // sample, as it is: the mixer stage blanks what it composes, and a frame that goes in
    // the source's own pixels never touches it. False after the last one.
    bool NextVideoSample(uint8_t* pBuffer, tagQVVideoSample* pSample);

    // The audio streaming thread's cursor: silences pBuffer (AudioBufferFrames frames) as
    // the next buffer; the last one may be shorter. False after the last one.
    bool NextAudioBuffer(int16_t* pSamples, tagQVAudioBuffer* pBuffer);

private:
    tagQVBitmapInfoHeader m_header{};
    tagQVWaveFormatEx m_waveFormat{};
    double m_dFrameRate = 0.0;
    int64_t m_nStopPosition = 0;
    int64_t m_nVideoSamples = 0;
    int64_t m_nAudioFrames = 0;
    int32_t m_nAudioBufferFrames = 0;

    // --- owned by the video streaming thread
    int64_t m_nNextVideo = 0;
    // --- owned by the audio streaming thread
    int64_t m_nNextAudioFrame = 0;
};

} // namespace qv
