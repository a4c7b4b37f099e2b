// The conversion's event queue: the streaming threads add the graph's events, the UI
// thread takes them after the notify message has arrived.
#pragma once

#include "platform/CQVMessageWindow.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace qv
{

// Event codes.
enum : int32_t
{
    kQVEventComplete = 1,   // the output file is complete under its name
    kQVEventUserAbort = 2,  // a callback asked to end the stream; nothing was written
    kQVEventErrorAbort = 3, // a stage failed; param 1 is the negative error code
};

// Results besides 0.
constexpr int32_t kQVResultTimedOut = static_cast<int32_t>(0x80004004u); // no event in time
constexpr int32_t kQVResultBadPointer = static_cast<int32_t>(0x80004003u);

class CQVMediaEventQueue
{
public:
    // Takes the oldest event. nTimeoutMs: 0 polls, a negative value waits without limit.
    // Returns 0, kQVResultTimedOut when none came in time, kQVResultBadPointer for a null
    // argument. Any thread.
    int32_t GetEvent(int32_t* pCode, intptr_t* pParam1, intptr_t* pParam2, int32_t nTimeoutMs);

    // Every parameter is a plain value, so there is nothing to release; kept so that a
    // taken event is always handed back the same way. Returns 0.
    int32_t FreeEventParams(int32_t nCode, intptr_t nParam1, intptr_t nParam2);

    // Every later event posts nMessage to the window (wParam 0, lParam = lInstanceData);
    // window 0 stops the posting. Returns 0.
    int32_t SetNotifyWindow(CQVMessageWindow::Handle hWindow, unsigned nMessage,
                            intptr_t lInstanceData);

    // Queues an event and posts the notify message. Any thread.
    void Notify(int32_t nCode, intptr_t nParam1, intptr_t nParam2);

    // Events waiting to be taken.
    size_t PendingCount() const;

private:
    struct tagQVEvent
    {
        int32_t nCode;
        intptr_t nParam1;
        intptr_t nParam2;
    };

    mutable std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<tagQVEvent> m_events;
    CQVMessageWindow::Handle m_hWindow = 0;
    unsigned m_nMessage = 0;
    intptr_t m_lInstanceData = 0;
};

} // namespace qv
