// The frame-counting callback of the converter, which no conversion graph attaches: it
// counts delivered frames for an encoder chain that calls back once per frame. It stays as
// the converter's answer for such a chain; this product's graphs call the mixer callbacks.
#pragma once

#include "encode/IQVVideoMixerUserCallback.h"

#include <cstdint>

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
    int64_t m_nNotified = 0; // frames counted so far: the calls bring no sample number
    tagQVBitmapInfoHeader m_header;
    double m_dDuration;
};

} // namespace qv
