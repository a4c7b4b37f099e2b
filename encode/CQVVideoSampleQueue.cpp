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
        std::unique_ptr<uint8_t[]> pBuffer(new (std::nothrow) uint8_t[static_cast<size_t>(nSize)]);
        if (!pBuffer)
        {
            m_storage.clear();
            m_free.clear();
            return false;
        }
        m_free.push_back(pBuffer.get());
        m_storage.push_back(std::move(pBuffer));
    }
    return true;
}

uint8_t* CQVVideoSampleQueue::AcquireFree()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_bAborted || !m_free.empty(); });
    if (m_bAborted)
        return nullptr;
    uint8_t* pBuffer = m_free.back();
    m_free.pop_back();
    return pBuffer;
}

void CQVVideoSampleQueue::PushFilled(uint8_t* pBuffer, int64_t nIndex)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_filled.emplace_back(pBuffer, nIndex);
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

void CQVVideoSampleQueue::ReleaseFree(uint8_t* pBuffer)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_free.push_back(pBuffer);
    }
    m_changed.notify_all();
}

bool CQVVideoSampleQueue::PopFilled(uint8_t** ppBuffer, int64_t* pIndex)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_bAborted || !m_filled.empty() || m_bEnded; });
    if (m_bAborted || m_filled.empty())
        return false;
    *ppBuffer = m_filled.front().first;
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
