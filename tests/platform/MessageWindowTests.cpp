#include "platform/CQVMessageWindow.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using qv::CQVMessageWindow;

namespace
{

class CRecordingWindow : public CQVMessageWindow
{
public:
    std::vector<unsigned> timers;
    std::vector<std::pair<unsigned, intptr_t>> messages;
    std::vector<bool> onOwnThread;
    int nEndOnTimer = -1;       // EndModal(code) at the first timer tick when >= 0
    int nEndAfterMessages = -1; // EndModal(99) once this many messages arrived
    bool bEndInInit = false;

protected:
    void OnInitModal() override
    {
        if (bEndInInit)
            EndModal(5);
    }
    void OnTimer(unsigned nId) override
    {
        timers.push_back(nId);
        if (nEndOnTimer >= 0)
            EndModal(nEndOnTimer);
    }
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override
    {
        messages.emplace_back(nMsg, lParam);
        onOwnThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
        if (nEndAfterMessages > 0 && static_cast<int>(messages.size()) == nEndAfterMessages)
            EndModal(99);
        return static_cast<intptr_t>(wParam) * 2;
    }
};

// Ends any modal run that a broken test would leave waiting.
void Watchdog(CQVMessageWindow& window, int nMs)
{
    QTimer::singleShot(nMs, [&window] { window.EndModal(-1); });
}

} // namespace

TEST(MessageWindow, ModalRunEndsWithTheQuitCodeFromATimer)
{
    CRecordingWindow window;
    window.nEndOnTimer = 18;
    ASSERT_TRUE(window.SetTimer(3, 10));
    Watchdog(window, 5000);
    EXPECT_EQ(window.RunModal(), 18);
    EXPECT_FALSE(window.IsModalRunning());
    EXPECT_EQ(window.timers.front(), 3u);
}

TEST(MessageWindow, EndModalDuringInitReturnsAtOnce)
{
    CRecordingWindow window;
    window.bEndInInit = true;
    EXPECT_EQ(window.RunModal(), 5);
}

TEST(MessageWindow, TimersAreKeptByIdAndCanBeReplacedOrKilled)
{
    CRecordingWindow window;
    ASSERT_TRUE(window.SetTimer(1, 5));
    ASSERT_TRUE(window.SetTimer(2, 60000));
    ASSERT_TRUE(window.SetTimer(2, 5)); // replaces, does not add
    EXPECT_TRUE(window.HasTimer(2));
    EXPECT_TRUE(window.KillTimer(1));
    EXPECT_FALSE(window.KillTimer(1));
    window.nEndOnTimer = 0;
    Watchdog(window, 5000);
    EXPECT_EQ(window.RunModal(), 0);
    ASSERT_FALSE(window.timers.empty());
    EXPECT_EQ(window.timers.front(), 2u);
}

TEST(MessageWindow, PostsFromAnyThreadArriveInOrderOnTheWindowsThread)
{
    CRecordingWindow window;
    window.nEndAfterMessages = 100;
    std::thread poster(
        [&]
        {
            for (int i = 0; i < 100; ++i)
                CQVMessageWindow::PostMessageTo(window.GetHandle(), 0x802, 0, i);
        });
    Watchdog(window, 10000);
    EXPECT_EQ(window.RunModal(), 99);
    poster.join();
    ASSERT_EQ(window.messages.size(), 100u);
    for (int i = 0; i < 100; ++i)
    {
        EXPECT_EQ(window.messages[i].first, 0x802u);
        EXPECT_EQ(window.messages[i].second, i);
        EXPECT_TRUE(window.onOwnThread[i]);
    }
}

TEST(MessageWindow, SendWaitsForTheResultFromAnotherThread)
{
    CRecordingWindow window;
    std::atomic<intptr_t> result{0};
    window.nEndAfterMessages = 1;
    std::thread sender(
        [&] { result = CQVMessageWindow::SendMessageTo(window.GetHandle(), 1924, 21, 0); });
    Watchdog(window, 10000);
    EXPECT_EQ(window.RunModal(), 99);
    sender.join();
    EXPECT_EQ(result.load(), 42);
    ASSERT_EQ(window.onOwnThread.size(), 1u);
    EXPECT_TRUE(window.onOwnThread[0]);
    EXPECT_EQ(window.SendMessage(7, 4, 0), 8) << "a send on the own thread runs directly";
}

TEST(MessageWindow, AGoneWindowTakesNoMessages)
{
    CQVMessageWindow::Handle handle;
    {
        CRecordingWindow window;
        handle = window.GetHandle();
        EXPECT_NE(handle, 0u);
        EXPECT_TRUE(CQVMessageWindow::PostMessageTo(handle, 1, 0, 0));
    }
    EXPECT_FALSE(CQVMessageWindow::PostMessageTo(handle, 1, 0, 0));
    EXPECT_EQ(CQVMessageWindow::SendMessageTo(handle, 1, 5, 0), 0);
    EXPECT_FALSE(CQVMessageWindow::PostMessageTo(0, 1, 0, 0));
    QCoreApplication::processEvents(); // the queued event of the gone window is dropped
}
