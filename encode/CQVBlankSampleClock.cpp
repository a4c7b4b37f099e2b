#include "encode/CQVBlankSampleClock.h"

#include <cmath>
#include <cstring>

extern "C"
{
#include <libavutil/error.h>
}

namespace qv
{

namespace
{

constexpr double kUnitsPerSecond = 10000000.0;

} // namespace

int32_t CQVBlankSampleClock::Open(int32_t nWidth, int32_t nHeight, double dFrameRate,
                                  int64_t nStopPosition)
{
    if (nWidth < 2 || nHeight < 2 || nWidth > kMaxDimension || nHeight > kMaxDimension ||
        (nWidth % 2) != 0 || (nHeight % 2) != 0 || !(dFrameRate > 0.0) ||
        !std::isfinite(dFrameRate) || nStopPosition <= 0)
        return AVERROR(EINVAL);

    // Stride: the row in bytes rounded down to whole 32-bit words.
    const int32_t nStride = ((nWidth * 32 + 31) / 8) & ~3;
    m_header = tagQVBitmapInfoHeader{};
    m_header.biSize = sizeof(tagQVBitmapInfoHeader);
    m_header.biWidth = nWidth;
    m_header.biHeight = nHeight;
    m_header.biPlanes = 1;
    m_header.biBitCount = 32;
    m_header.biCompression = 0;
    m_header.biSizeImage = static_cast<uint32_t>(nStride) * static_cast<uint32_t>(nHeight);

    m_waveFormat = tagQVWaveFormatEx{};
    m_waveFormat.wFormatTag = 1;
    m_waveFormat.nChannels = 2;
    m_waveFormat.nSamplesPerSec = kAudioSampleRate;
    m_waveFormat.wBitsPerSample = 16;
    m_waveFormat.nBlockAlign = 4;
    m_waveFormat.nAvgBytesPerSec = kAudioSampleRate * 4;
    m_waveFormat.cbSize = 0;

    m_dFrameRate = dFrameRate;
    m_nStopPosition = nStopPosition;
    // Sample k starts at k / rate; every sample that starts before the stop is delivered.
    m_nVideoSamples =
        static_cast<int64_t>(std::ceil(nStopPosition * dFrameRate / kUnitsPerSecond - 1e-9));
    if (m_nVideoSamples < 1)
        m_nVideoSamples = 1;
    // Whole frames only; the stop position is at most about 10^13 units here.
    m_nAudioFrames =
        static_cast<int64_t>(std::floor(nStopPosition * (kAudioSampleRate / kUnitsPerSecond)));
    m_nAudioBufferFrames = static_cast<int32_t>(std::lround(kAudioSampleRate / dFrameRate));
    if (m_nAudioBufferFrames < 64)
        m_nAudioBufferFrames = 64;
    if (m_nAudioBufferFrames > kAudioSampleRate)
        m_nAudioBufferFrames = kAudioSampleRate;
    m_nNextVideo = 0;
    m_nNextAudioFrame = 0;
    return 0;
}

bool CQVBlankSampleClock::NextVideoSample(uint8_t* pBuffer, tagQVVideoSample* pSample)
{
    if (m_nNextVideo >= m_nVideoSamples || pBuffer == nullptr || pSample == nullptr)
        return false;
    const int64_t nIndex = m_nNextVideo++;
    pSample->pBuffer = pBuffer;
    pSample->nSize = VideoSampleSize();
    pSample->nIndex = nIndex;
    pSample->nStartTime =
        static_cast<int64_t>(std::llround(nIndex * kUnitsPerSecond / m_dFrameRate));
    const int64_t nStop =
        static_cast<int64_t>(std::llround((nIndex + 1) * kUnitsPerSecond / m_dFrameRate));
    pSample->nStopTime = nStop < m_nStopPosition ? nStop : m_nStopPosition;
    return true;
}

bool CQVBlankSampleClock::NextAudioBuffer(int16_t* pSamples, tagQVAudioBuffer* pBuffer)
{
    if (m_nNextAudioFrame >= m_nAudioFrames || pSamples == nullptr || pBuffer == nullptr)
        return false;
    const int64_t nLeft = m_nAudioFrames - m_nNextAudioFrame;
    const int32_t nFrames =
        nLeft < m_nAudioBufferFrames ? static_cast<int32_t>(nLeft) : m_nAudioBufferFrames;
    std::memset(pSamples, 0, static_cast<size_t>(m_nAudioBufferFrames) * 4);
    pBuffer->pSamples = pSamples;
    pBuffer->nFrames = nFrames;
    pBuffer->nBytes = nFrames * 4;
    pBuffer->nCapacity = m_nAudioBufferFrames * 4;
    pBuffer->nStartTime =
        static_cast<int64_t>(std::llround(m_nNextAudioFrame * kUnitsPerSecond / kAudioSampleRate));
    m_nNextAudioFrame += nFrames;
    pBuffer->nStopTime =
        static_cast<int64_t>(std::llround(m_nNextAudioFrame * kUnitsPerSecond / kAudioSampleRate));
    return true;
}

} // namespace qv
