// The hand-over between the video mixer stage and the video encoder: a few sample
// buffers allocated once, circulating between the two streaming threads, so that the
// next picture is composed while the previous one is encoded. A slot carries either its
// BGRA buffer or a direct picture (the source's own pixels), never both.
#pragma once

#include "media/tagQVDirectPicture.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace qv
{

struct tagQVSampleSlot
{
    std::unique_ptr<uint8_t[]> pBuffer; // the BGRA sample
    tagQVDirectPicture direct;          // holds a picture only when the frame went direct
};

class CQVVideoSampleQueue
{
public:
    // Allocates nBuffers slots with buffers of nSize bytes. False when memory is short.
    bool Open(int32_t nBuffers, int32_t nSize);

    // Mixer side: waits for a free slot; null once aborted.
    tagQVSampleSlot* AcquireFree();
    // Mixer side: hands a filled slot on as sample nIndex.
    void PushFilled(tagQVSampleSlot* pSlot, int64_t nIndex);
    // Mixer side: no more samples follow.
    void PushEnd();
    // Either side: gives back a slot that will not be pushed, or has been encoded; its
    // direct picture is released.
    void ReleaseFree(tagQVSampleSlot* pSlot);

    // Encoder side: waits for the next filled slot. False at the end or once aborted.
    bool PopFilled(tagQVSampleSlot** ppSlot, int64_t* pIndex);

    // Wakes both sides for good.
    void Abort();

private:
    std::vector<std::unique_ptr<tagQVSampleSlot>> m_storage;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<tagQVSampleSlot*> m_free;
    std::deque<std::pair<tagQVSampleSlot*, int64_t>> m_filled;
    bool m_bEnded = false;
    bool m_bAborted = false;
};

} // namespace qv
