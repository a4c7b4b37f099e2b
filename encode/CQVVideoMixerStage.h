// The video mixer stage: hands every video sample, with its number and start time, to the
// video callback on the video streaming thread, FillFrame then DrawOverlays, and passes
// the filled sample on.
#pragma once

#include "encode/CQVBlankSampleClock.h"
#include "encode/IQVVideoMixerUserCallback.h"

#include <cstdint>

namespace qv
{

class CQVVideoMixerStage
{
public:
    // Without a callback the samples pass on as the source made them (black).
    void Open(IQVVideoMixerUserCallback* pCallback, const tagQVBitmapInfoHeader& header);

    // Runs the callback on one sample. Returns 0, or the first non-zero callback result
    // (the sample must not be passed on then).
    int32_t Process(const tagQVVideoSample& sample);

    void Close() { m_pCallback = nullptr; }

private:
    IQVVideoMixerUserCallback* m_pCallback = nullptr;
    tagQVBitmapInfoHeader m_header{};
};

} // namespace qv
