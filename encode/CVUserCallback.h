// The two further callback objects of the converter that no conversion graph attaches:
// a callback that counts delivered frames for an encoder that calls back once per frame,
// and a picture-drawing mixer callback. They are kept for encoder chains that call back
// per frame.
#pragma once

#include "encode/IQVVideoMixerUserCallback.h"
#include "project/ProjectTimeline.h"

#include <cstdint>
#include <string>

namespace qv
{

class CQVVideoConverter;

// Counts a delivered frame on every call while its counting switch is on.
class CVUserCallback
{
public:
    // W × H: the output size; dDuration: the project's length in seconds.
    CVUserCallback(int nWidth, int nHeight, double dDuration);

    void SetOwner(CQVVideoConverter* pOwner, int32_t bCounting)
    {
        m_pOwner = pOwner;
        m_bCounting = bCounting;
    }
    // The six values carry nothing. Returns 0.
    int32_t Notify(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);

    const tagQVBitmapInfoHeader& Header() const { return m_header; }
    double Duration() const { return m_dDuration; }

private:
    CQVVideoConverter* m_pOwner = nullptr;
    int32_t m_bCounting = 0;
    tagQVBitmapInfoHeader m_header;
    double m_dDuration;
};

// Draws the rendered picture of the main line's picture item at the sample's time through
// the graphics object, stretched to the output size. Its time is its own frame count ÷
// frame rate, or the owner's delivered seconds.
class CVideoMixerUserCallbackEx : public IQVVideoMixerUserCallback
{
public:
    CVideoMixerUserCallbackEx(ProjectTimeline& timeline, int nWidth, int nHeight,
                              const std::string& tmpFolder);

    // bOwnClock 1: count own frames at dFrameRate; 0: ask the owner.
    void SetClock(CQVVideoConverter* pOwner, int32_t bOwnClock, double dFrameRate);

    int32_t FillFrame(QPainter* pGraphics, int32_t, int32_t, const tagQVBitmapInfoHeader*, uint8_t*,
                      int32_t) override;
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
