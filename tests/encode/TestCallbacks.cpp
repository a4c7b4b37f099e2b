#include "TestCallbacks.h"

#include "encode/CQVVideoConverter.h"

#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace qv::test
{

namespace
{

void PutPixel(uint8_t* pBuffer, int nWidth, int nHeight, int x, int yFromTop, uint8_t b, uint8_t g,
              uint8_t r)
{
    uint8_t* p = pBuffer + (static_cast<size_t>(nHeight - 1 - yFromTop) * nWidth + x) * 4;
    p[0] = b;
    p[1] = g;
    p[2] = r;
    p[3] = 255;
}

} // namespace

int32_t CQVPatternCallback::FillFrame(QPainter*, int64_t nIndex, int64_t,
                                      const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                                      int32_t nBufferSize)
{
    const int64_t nFrame = m_nCalls.fetch_add(1);
    if (m_pOwner != nullptr)
        m_pOwner->RecordDelivered(nIndex);
    if (m_nDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_nDelayMs));
    if (m_nFailFrame >= 0 && nFrame >= m_nFailFrame)
        return m_nFailResult;
    m_nWidth = pHeader->biWidth;
    m_nHeight = pHeader->biHeight;
    if (nBufferSize < m_nWidth * m_nHeight * 4)
        return -1;
    if (m_ePattern == EPattern::Noise)
    {
        for (int32_t i = 0; i < nBufferSize; ++i)
        {
            m_nNoiseState = m_nNoiseState * 1664525u + 1013904223u;
            pBuffer[i] = static_cast<uint8_t>(m_nNoiseState >> 24);
        }
        return 0;
    }
    if (m_ePattern == EPattern::Moving)
    {
        for (int y = 0; y < m_nHeight; ++y)
        {
            for (int x = 0; x < m_nWidth; ++x)
            {
                const double u = (x + 3.0 * nFrame) / 6.0;
                const double v = (y + 2.0 * nFrame) / 4.0;
                m_nNoiseState = m_nNoiseState * 1664525u + 1013904223u;
                const int nGrain = static_cast<int>(m_nNoiseState >> 30);
                PutPixel(pBuffer, m_nWidth, m_nHeight, x, y,
                         static_cast<uint8_t>(128 + 100 * std::sin(u) + nGrain),
                         static_cast<uint8_t>(128 + 100 * std::sin(v + u * 0.5) + nGrain),
                         static_cast<uint8_t>(128 + 100 * std::cos(v * 1.3) + nGrain));
            }
        }
        return 0;
    }
    for (int y = 0; y < m_nHeight; ++y)
    {
        for (int x = 0; x < m_nWidth; ++x)
        {
            const bool bLeft = x < m_nWidth / 2;
            const bool bTop = y < m_nHeight / 2;
            if (bTop && bLeft)
                PutPixel(pBuffer, m_nWidth, m_nHeight, x, y, 0, 0, 255);
            else if (bTop)
                PutPixel(pBuffer, m_nWidth, m_nHeight, x, y, 0, 255, 0);
            else if (bLeft)
                PutPixel(pBuffer, m_nWidth, m_nHeight, x, y, 255, 0, 0);
            else
                PutPixel(pBuffer, m_nWidth, m_nHeight, x, y, 255, 255, 255);
        }
    }
    return 0;
}

int32_t CQVPatternCallback::DrawOverlays(QPainter* pGraphics, int32_t, int32_t, int32_t, uint8_t*,
                                         int32_t, int32_t bDraw)
{
    if (bDraw == 0 || pGraphics == nullptr || m_ePattern != EPattern::Quadrants)
        return 0;
    pGraphics->fillRect(m_nWidth / 8, m_nHeight / 8, m_nWidth / 8, m_nHeight / 8,
                        QColor(255, 255, 0));
    return 0;
}

int32_t CQVToneCallback::FillAudio(int32_t, int32_t nBytes, int32_t, int16_t* pBuffer,
                                   const tagQVWaveFormatEx* pFormat, int32_t nBufferSize)
{
    const int64_t nCall = m_nCalls.fetch_add(1);
    if (m_nFailCall >= 0 && nCall >= m_nFailCall)
        return m_nFailResult;
    if (nBytes > nBufferSize || pFormat->nChannels != 2 || pFormat->wBitsPerSample != 16)
        return -1;
    const int32_t nFrames = nBytes / 4;
    if (m_bNoise)
    {
        for (int32_t i = 0; i < nFrames * 2; ++i)
        {
            m_nNoiseState = m_nNoiseState * 1664525u + 1013904223u;
            pBuffer[i] = static_cast<int16_t>(m_nNoiseState >> 16);
        }
        m_nFrames += nFrames;
        return 0;
    }
    for (int32_t i = 0; i < nFrames; ++i)
    {
        const double dTime = static_cast<double>(m_nFrames + i) / pFormat->nSamplesPerSec;
        const auto nValue = static_cast<int16_t>(
            std::lround(kAmplitude * 32767.0 * std::sin(2.0 * M_PI * kFrequency * dTime)));
        pBuffer[2 * i] = nValue;
        pBuffer[2 * i + 1] = nValue;
    }
    m_nFrames += nFrames;
    return 0;
}

} // namespace qv::test
