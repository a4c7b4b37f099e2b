// Test-only mixer callbacks: a picture whose colours tell where each part of the frame
// ended up, optional noise for rate tests, and a 440 Hz tone at half scale.
#pragma once

#include "encode/IQVAudioMixerUserCallback.h"
#include "encode/IQVVideoMixerUserCallback.h"

#include <atomic>
#include <cstdint>

namespace qv
{
class CQVVideoConverter;
}

namespace qv::test
{

// Picture (top row first): top-left red, top-right green, bottom-left blue, bottom-right
// white, all drawn straight into the bottom-up buffer by FillFrame; DrawOverlays then
// paints a yellow square through the graphics object over (W/8, H/8)..(W/4, H/4).
class CQVPatternCallback : public IQVVideoMixerUserCallback
{
public:
    enum class EPattern
    {
        Quadrants,
        Noise,  // every byte random, every frame: beyond any rate control
        Moving, // a detailed texture sliding by: compressible, yet costly at high quality
    };

    explicit CQVPatternCallback(CQVVideoConverter* pOwner) : m_pOwner(pOwner) {}

    void SetPattern(EPattern ePattern) { m_ePattern = ePattern; }
    // FillFrame returns nResult for sample nFrame (0-based) and later ones.
    void FailAt(int64_t nFrame, int32_t nResult)
    {
        m_nFailFrame = nFrame;
        m_nFailResult = nResult;
    }
    // Sleeps this long in every FillFrame, so a test can act while samples flow.
    void SetDelayMs(int nDelayMs) { m_nDelayMs = nDelayMs; }
    int64_t Calls() const { return m_nCalls.load(); }

    int32_t FillFrame(QPainter* pGraphics, int64_t nIndex, int64_t,
                      const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                      int32_t nBufferSize) override;
    int32_t DrawOverlays(QPainter* pGraphics, int32_t, int32_t, int32_t, uint8_t* pBuffer,
                         int32_t nBufferSize, int32_t bDraw) override;

private:
    CQVVideoConverter* m_pOwner;
    EPattern m_ePattern = EPattern::Quadrants;
    int64_t m_nFailFrame = -1;
    int32_t m_nFailResult = 0;
    int m_nDelayMs = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    uint32_t m_nNoiseState = 12345;
    std::atomic<int64_t> m_nCalls{0};
};

class CQVToneCallback : public IQVAudioMixerUserCallback
{
public:
    static constexpr double kFrequency = 440.0;
    static constexpr double kAmplitude = 0.5; // of full scale: mean volume about -9 dB

    void FailAt(int64_t nCall, int32_t nResult)
    {
        m_nFailCall = nCall;
        m_nFailResult = nResult;
    }
    // White noise at full scale instead of the tone: the hardest input for a low bitrate.
    void SetNoise(bool bNoise) { m_bNoise = bNoise; }
    int64_t Calls() const { return m_nCalls.load(); }
    int64_t Frames() const { return m_nFrames; }

    int32_t FillAudio(int32_t, int32_t nBytes, int32_t bHold, int16_t* pBuffer,
                      const tagQVWaveFormatEx* pFormat, int32_t nBufferSize) override;

private:
    int64_t m_nFailCall = -1;
    int32_t m_nFailResult = 0;
    bool m_bNoise = false;
    uint32_t m_nNoiseState = 777;
    int64_t m_nFrames = 0; // written only by the audio thread
    std::atomic<int64_t> m_nCalls{0};
};

} // namespace qv::test
