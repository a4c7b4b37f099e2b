#include "platform/CQVMessageWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <mutex>
#include <unordered_map>

namespace qv
{

namespace
{

const QEvent::Type kWindowMessageEvent = static_cast<QEvent::Type>(QEvent::User + 0x51);

struct CMessageEvent : QEvent
{
    CMessageEvent(unsigned msg, uintptr_t w, intptr_t l)
        : QEvent(kWindowMessageEvent), nMsg(msg), wParam(w), lParam(l)
    {
    }
    unsigned nMsg;
    uintptr_t wParam;
    intptr_t lParam;
};

// Live windows by handle. Posting by handle takes the lock, so a window cannot be
// destroyed between the look-up and the post.
std::mutex g_registryLock;
std::unordered_map<CQVMessageWindow::Handle, CQVMessagePump*> g_registry;
CQVMessageWindow::Handle g_nextHandle = 0x100;

} // namespace

class CQVMessagePump : public QObject
{
public:
    explicit CQVMessagePump(CQVMessageWindow* owner) : m_owner(owner) {}

    intptr_t Deliver(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
    {
        return m_owner->OnMessage(nMsg, wParam, lParam);
    }

    intptr_t Send(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
    {
        if (QThread::currentThread() == thread())
            return Deliver(nMsg, wParam, lParam);
        intptr_t result = 0;
        QMetaObject::invokeMethod(
            this, [&] { result = Deliver(nMsg, wParam, lParam); }, Qt::BlockingQueuedConnection);
        return result;
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != kWindowMessageEvent)
            return;
        auto* message = static_cast<CMessageEvent*>(event);
        Deliver(message->nMsg, message->wParam, message->lParam);
    }

    void timerEvent(QTimerEvent* event) override { m_owner->DispatchTimer(event->timerId()); }

private:
    CQVMessageWindow* m_owner;
};

CQVMessageWindow::CQVMessageWindow() : m_pPump(new CQVMessagePump(this))
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    do
        m_hHandle = g_nextHandle++;
    while (m_hHandle == 0 || g_registry.count(m_hHandle));
    g_registry[m_hHandle] = m_pPump.get();
}

CQVMessageWindow::~CQVMessageWindow()
{
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        g_registry.erase(m_hHandle);
    }
    for (const auto& timer : m_timers)
        m_pPump->killTimer(timer.second);
    if (m_pLoop)
        static_cast<QEventLoop*>(m_pLoop)->exit(0);
}

bool CQVMessageWindow::SetTimer(unsigned nId, unsigned nPeriodMs)
{
    KillTimer(nId);
    int qtId = m_pPump->startTimer(static_cast<int>(nPeriodMs), Qt::PreciseTimer);
    if (qtId == 0)
        return false;
    m_timers[nId] = qtId;
    return true;
}

bool CQVMessageWindow::KillTimer(unsigned nId)
{
    auto found = m_timers.find(nId);
    if (found == m_timers.end())
        return false;
    m_pPump->killTimer(found->second);
    m_timers.erase(found);
    return true;
}

bool CQVMessageWindow::HasTimer(unsigned nId) const
{
    return m_timers.count(nId) != 0;
}

void CQVMessageWindow::DispatchTimer(int nQtTimerId)
{
    for (const auto& timer : m_timers)
        if (timer.second == nQtTimerId)
        {
            OnTimer(timer.first);
            return;
        }
}

bool CQVMessageWindow::PostMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
{
    return PostMessageTo(m_hHandle, nMsg, wParam, lParam);
}

intptr_t CQVMessageWindow::SendMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
{
    return m_pPump->Send(nMsg, wParam, lParam);
}

bool CQVMessageWindow::PostMessageTo(Handle hWindow, unsigned nMsg, uintptr_t wParam,
                                     intptr_t lParam)
{
    std::lock_guard<std::mutex> lock(g_registryLock);
    auto found = g_registry.find(hWindow);
    if (found == g_registry.end())
        return false;
    QCoreApplication::postEvent(found->second, new CMessageEvent(nMsg, wParam, lParam));
    return true;
}

intptr_t CQVMessageWindow::SendMessageTo(Handle hWindow, unsigned nMsg, uintptr_t wParam,
                                         intptr_t lParam)
{
    CQVMessagePump* pump = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_registryLock);
        auto found = g_registry.find(hWindow);
        if (found == g_registry.end())
            return 0;
        pump = found->second;
    }
    // A window is destroyed only on its own thread, which the blocking send waits for.
    return pump->Send(nMsg, wParam, lParam);
}

int CQVMessageWindow::RunModal()
{
    QEventLoop loop;
    m_pLoop = &loop;
    m_bModalRunning = true;
    m_bEndPending = false;
    OnInitModal();
    int code = m_bEndPending ? m_nPendingCode : loop.exec();
    m_bModalRunning = false;
    m_pLoop = nullptr;
    return code;
}

void CQVMessageWindow::EndModal(int nCode)
{
    m_nPendingCode = nCode;
    m_bEndPending = true;
    if (m_pLoop)
        static_cast<QEventLoop*>(m_pLoop)->exit(nCode);
}

} // namespace qv
