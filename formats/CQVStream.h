// The description of one stream to add to a Windows Media profile (see
// WindowsMediaProfile.h for how the builder fills it and turns it into a stream).
#pragma once

#include "formats/CProfileObject.h"

#include <cstdint>
#include <string>

namespace qv
{

enum : int32_t
{
    kQVStreamAudio = 1,
    kQVStreamVideo = 2,
    kQVStreamNone = 7, // neither, until the builder says
};

// Variable-bitrate modes of a video stream.
enum : int32_t
{
    kQVVbrOff = 0,
    kQVVbrQuality = 1,       // quality-based
    kQVVbrConstrained = 2,   // bitrate-based, with a peak
    kQVVbrUnconstrained = 3, // bitrate-based
};

class CQVStream : public CProfileObject
{
public:
    CQVStream();

    int32_t nStreamKind = kQVStreamNone;
    int32_t nAudioFormatCode = 0; // passes x 5000 + format index (WindowsMediaProfile.h)
    int32_t nBufferWindowMs = 3000;
    int32_t nWidth = 320; // pixels
    int32_t nHeight = 200;
    int32_t nBitrate = 100000; // bit/s
    int32_t nFrameRate = 30;   // frames/s, whole
    // Time per frame in 100-ns units, for a rate that is not whole (24000/1001 is
    // 417,083); 0: 10,000,000 / nFrameRate.
    int64_t nTimePerFrame = 0;
    int32_t nSecondsPerKeyFrame = 3000;
    int32_t nQuality = 100; // 0..100
    int32_t bVbrEnabled = 0;
    int32_t nVbrMode = kQVVbrQuality;
    int32_t nVbrQuality = 0;
    int32_t nMaxBitrate = 10000; // bit/s
    int32_t nMaxBufferWindowMs = 0;
    int16_t wStreamNumber = 0;
    int32_t nCodecIndex = 0;
    int32_t nLanguage = 0; // LCID; the system default after construction
    std::u16string szName;

protected:
    ~CQVStream() override = default;
};

} // namespace qv
