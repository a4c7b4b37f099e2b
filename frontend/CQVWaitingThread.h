// The waiting indicator's owner for one preview start. Windows live on the GUI thread only,
// and the GUI thread is never blocked while the engine starts, so the waiting window runs
// there; this object keeps the lifetime of a waiting thread: started with the engine, told
// to quit with message 1580 (from any thread), after which its window is gone.
#pragma once

#include "platform/CQVMessageWindow.h"

#include <memory>

namespace qv
{

class CQVWaitingDlg;

class CQVWaitingThread : public CQVMessageWindow
{
public:
    static constexpr unsigned kMsgQuit = 1580;

    CQVWaitingThread();
    ~CQVWaitingThread() override; // the window goes with it

    // Shows the waiting window. False when it cannot be shown (the object then counts as
    // ended).
    bool Start();
    // Posts the quit message.
    void Quit() { PostMessage(kMsgQuit); }
    // Until the quit message has been handled.
    bool IsRunning() const { return m_pWindow != nullptr; }
    CQVWaitingDlg* Window() const { return m_pWindow.get(); }

protected:
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;

private:
    std::unique_ptr<CQVWaitingDlg> m_pWindow;
};

} // namespace qv
