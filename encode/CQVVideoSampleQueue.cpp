#include "encode/CQVVideoSampleQueue.h"

#include <new>

namespace qv
{

bool CQVVideoSampleQueue::Open(int32_t nBuffers, int32_t nSize)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_storage.clear();
    m_free.clear();
    m_filled.clear();
    m_bEnded = false;
    m_bAborted = false;
    if (nBuffers < 1 || nSize < 1)
        return false;
    for (int32_t i = 0; i < nBuffers; ++i)
    {
        std::unique_ptr<tagQVSampleSlot> pSlot(new (std::nothrow) tagQVSampleSlot);
        if (pSlot)
        {
            pSlot->pBuffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(nSize)]);
            pSlot->direct.pFrame.reset(av_frame_alloc());
        }
        if (!pSlot || !pSlot->pBuffer || !pSlot->direct.pFrame)
        {
            m_storage.clear();
            m_free.clear();
            return false;
        }
        m_free.push_back(pSlot.get());
        m_storage.push_back(std::move(pSlot));
    }
    return true;
}

tagQVSampleSlot* CQVVideoSampleQueue::AcquireFree()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_bAborted || !m_free.empty(); });
    if (m_bAborted)
        return nullptr;
    tagQVSampleSlot* pSlot = m_free.back();
    m_free.pop_back();
    return pSlot;
}

void CQVVideoSampleQueue::PushFilled(tagQVSampleSlot* pSlot, int64_t nIndex)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_filled.emplace_back(pSlot, nIndex);
    }
    m_changed.notify_all();
}

void CQVVideoSampleQueue::PushEnd()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bEnded = true;
    }
    m_changed.notify_all();
}

void CQVVideoSampleQueue::ReleaseFree(tagQVSampleSlot* pSlot)
{
    // The decoder's buffer goes back to its pool before the slot is reused.
    pSlot->direct.Clear();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_free.push_back(pSlot);
    }
    m_changed.notify_all();
}

bool CQVVideoSampleQueue::PopFilled(tagQVSampleSlot** ppSlot, int64_t* pIndex)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_bAborted || !m_filled.empty() || m_bEnded; });
    if (m_bAborted || m_filled.empty())
        return false;
    *ppSlot = m_filled.front().first;
    *pIndex = m_filled.front().second;
    m_filled.pop_front();
    return true;
}

void CQVVideoSampleQueue::Abort()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bAborted = true;
    }
    m_changed.notify_all();
}

} // namespace qv
