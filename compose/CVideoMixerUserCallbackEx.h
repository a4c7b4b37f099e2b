// The picture-drawing mixer callback of the converter, which no conversion graph attaches:
// it draws the main line's picture item at the sample's time, for encoder chains that call
// back per frame. It stays as the converter's answer for such a chain; this product's
// graphs attach CVideoMixerUserCallback, which composes every line.
#pragma once

#include "encode/IQVVideoMixerUserCallback.h"
#include "project/ProjectTimeline.h"

#include <cstdint>
#include <string>

namespace qv
{

class CQVVideoConverter;

// Draws the rendered picture of the main line's picture item at the sample's time through
// the graphics object, stretched to the output size. Its time is its own frame count ÷
// frame rate, or the sample's time by the owner's timing (SampleTime).
class CVideoMixerUserCallbackEx : public IQVVideoMixerUserCallback
{
public:
    CVideoMixerUserCallbackEx(ProjectTimeline& timeline, int nWidth, int nHeight,
                              const std::string& tmpFolder);

    // bOwnClock 1: count own frames at dFrameRate; 0: the owner's SampleTiming.
    void SetClock(CQVVideoConverter* pOwner, int32_t bOwnClock, double dFrameRate);

    int32_t FillFrame(QPainter* pGraphics, int64_t nIndex, int64_t nStartTime,
                      const tagQVBitmapInfoHeader*, uint8_t*, int32_t) override;
    // Returns 0 and draws nothing.
    int32_t DrawOverlays(QPainter*, int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t) override
    {
        return 0;
    }

    double LastTime() const { return m_dLastTime; }
    // The file the last call drew; empty when it drew nothing.
    const std::string& LastDrawn() const { return m_lastDrawn; }

private:
    ProjectTimeline& m_timeline;
    int m_nWidth;
    int m_nHeight;
    std::string m_tmpFolder;
    CQVVideoConverter* m_pOwner = nullptr;
    int32_t m_bOwnClock = 1;
    double m_dFrameRate = 30.0;
    int64_t m_nFrames = 0;
    double m_dLastTime = 0.0;
    std::string m_lastDrawn;
};

} // namespace qv
