#include "frontend/CQVWaitingThread.h"

#include "frontend/CQVWaitingDlg.h"

namespace qv
{

CQVWaitingThread::CQVWaitingThread() = default;

CQVWaitingThread::~CQVWaitingThread() = default;

bool CQVWaitingThread::Start()
{
    if (m_pWindow)
        return true;
    m_pWindow = std::make_unique<CQVWaitingDlg>();
    if (!m_pWindow->Open())
    {
        m_pWindow.reset();
        return false;
    }
    return true;
}

intptr_t CQVWaitingThread::OnMessage(unsigned nMsg, uintptr_t, intptr_t)
{
    if (nMsg == kMsgQuit)
        m_pWindow.reset();
    return 0;
}

} // namespace qv
