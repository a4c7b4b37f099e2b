// The message-window base: an object with window timers by id, numbered messages that
// any thread may post (or send and wait), and a modal run that ends with a quit code.
// It needs only QtCore's event loop: no display, no widgets. Visible windows build on it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

namespace qv
{

class CQVMessagePump;

class CQVMessageWindow
{
public:
    // A 32-bit handle naming a live window; 0 never names one.
    using Handle = uint32_t;

    // Belongs to the creating thread, which must run a QCoreApplication event loop.
    CQVMessageWindow();
    virtual ~CQVMessageWindow();
    CQVMessageWindow(const CQVMessageWindow&) = delete;
    CQVMessageWindow& operator=(const CQVMessageWindow&) = delete;

    Handle GetHandle() const { return m_hHandle; }

    // Starts, or restarts with the new period, timer nId. OnTimer(nId) then runs on the
    // window's thread every nPeriodMs. Call on the window's thread.
    bool SetTimer(unsigned nId, unsigned nPeriodMs);
    // False when no such timer runs.
    bool KillTimer(unsigned nId);
    bool HasTimer(unsigned nId) const;

    // Queues the message for OnMessage on the window's thread; callable from any thread.
    bool PostMessage(unsigned nMsg, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Runs OnMessage on the window's thread and returns its result; from another thread
    // the caller waits. Returns 0 when the window is gone.
    intptr_t SendMessage(unsigned nMsg, uintptr_t wParam = 0, intptr_t lParam = 0);

    // The same by handle: safe against a window that has been destroyed meanwhile
    // (then nothing happens and the result is false / 0).
    static bool PostMessageTo(Handle hWindow, unsigned nMsg, uintptr_t wParam, intptr_t lParam);
    static intptr_t SendMessageTo(Handle hWindow, unsigned nMsg, uintptr_t wParam, intptr_t lParam);

    // Runs a nested event loop until EndModal; OnInitModal runs first, inside the run.
    // Returns the quit code. An EndModal before the loop starts ends it at once.
    int RunModal();
    void EndModal(int nCode);
    bool IsModalRunning() const { return m_bModalRunning; }

protected:
    virtual void OnInitModal() {}
    virtual void OnTimer(unsigned nId) { (void)nId; }
    virtual intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
    {
        (void)nMsg, (void)wParam, (void)lParam;
        return 0;
    }

private:
    friend class CQVMessagePump;
    void DispatchTimer(int nQtTimerId);

    Handle m_hHandle = 0;
    std::unique_ptr<CQVMessagePump> m_pPump;
    std::map<unsigned, int> m_timers; // our id -> the event loop's timer id
    void* m_pLoop = nullptr;          // the running QEventLoop of RunModal
    bool m_bModalRunning = false;
    bool m_bEndPending = false;
    int m_nPendingCode = 0;
};

} // namespace qv
