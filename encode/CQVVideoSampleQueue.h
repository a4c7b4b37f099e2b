// The hand-over between the video mixer stage and the video encoder: a few sample
// buffers allocated once, circulating between the two streaming threads, so that the
// next picture is composed while the previous one is encoded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace qv
{

class CQVVideoSampleQueue
{
public:
    // Allocates nBuffers buffers of nSize bytes. False when memory is short.
    bool Open(int32_t nBuffers, int32_t nSize);

    // Mixer side: waits for a free buffer; null once aborted.
    uint8_t* AcquireFree();
    // Mixer side: hands a filled buffer on as sample nIndex.
    void PushFilled(uint8_t* pBuffer, int64_t nIndex);
    // Mixer side: no more samples follow.
    void PushEnd();
    // Mixer side: gives back a buffer that will not be pushed.
    void ReleaseFree(uint8_t* pBuffer);

    // Encoder side: waits for the next filled buffer. False at the end or once aborted.
    bool PopFilled(uint8_t** ppBuffer, int64_t* pIndex);

    // Wakes both sides for good.
    void Abort();

private:
    std::vector<std::unique_ptr<uint8_t[]>> m_storage;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<uint8_t*> m_free;
    std::deque<std::pair<uint8_t*, int64_t>> m_filled;
    bool m_bEnded = false;
    bool m_bAborted = false;
};

} // namespace qv
