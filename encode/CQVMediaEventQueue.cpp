#include "encode/CQVMediaEventQueue.h"

#include <chrono>

namespace qv
{

int32_t CQVMediaEventQueue::GetEvent(int32_t* pCode, intptr_t* pParam1, intptr_t* pParam2,
                                     int32_t nTimeoutMs)
{
    if (pCode == nullptr || pParam1 == nullptr || pParam2 == nullptr)
        return kQVResultBadPointer;
    std::unique_lock<std::mutex> lock(m_lock);
    auto hasEvent = [this] { return !m_events.empty(); };
    if (nTimeoutMs < 0)
        m_arrived.wait(lock, hasEvent);
    else if (!m_arrived.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), hasEvent))
        return kQVResultTimedOut;
    const tagQVEvent event = m_events.front();
    m_events.pop_front();
    *pCode = event.nCode;
    *pParam1 = event.nParam1;
    *pParam2 = event.nParam2;
    return 0;
}

int32_t CQVMediaEventQueue::FreeEventParams(int32_t nCode, intptr_t nParam1, intptr_t nParam2)
{
    (void)nCode, (void)nParam1, (void)nParam2;
    return 0;
}

int32_t CQVMediaEventQueue::SetNotifyWindow(CQVMessageWindow::Handle hWindow, unsigned nMessage,
                                            intptr_t lInstanceData)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_hWindow = hWindow;
    m_nMessage = nMessage;
    m_lInstanceData = lInstanceData;
    return 0;
}

void CQVMediaEventQueue::Notify(int32_t nCode, intptr_t nParam1, intptr_t nParam2)
{
    CQVMessageWindow::Handle hWindow = 0;
    unsigned nMessage = 0;
    intptr_t lInstanceData = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back({nCode, nParam1, nParam2});
        hWindow = m_hWindow;
        nMessage = m_nMessage;
        lInstanceData = m_lInstanceData;
    }
    m_arrived.notify_all();
    // Posted after the event is queued, so the window always finds it.
    if (hWindow != 0)
        CQVMessageWindow::PostMessageTo(hWindow, nMessage, 0, lInstanceData);
}

size_t CQVMediaEventQueue::PendingCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events.size();
}

} // namespace qv
