// Shared by the tests that run the real Vantrel program on the X server: its own config and
// runtime folders (so its settings store, lock, socket and job folder are the test's), the
// X platform for it, and waiting for what it does from outside.
#pragma once

#include "platform/Process.h"
#include "tests/support/TestFolder.h"

#include <QThread>
#include <csignal>
#include <QtGlobal>
#include <functional>
#include <gtest/gtest.h>

namespace qv::test
{

// Asks every 50 ms until the condition holds or the time is up; this process's own events
// are not delivered meanwhile.
inline bool WaitUntil(const std::function<bool()>& condition, int nTimeoutMs)
{
    for (int n = 0; n < nTimeoutMs / 50; ++n)
    {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

class CRealProgramTest : public ::testing::Test
{
protected:
    // Skips without a display; derived set-ups return when IsSkipped().
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X server";
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config.Path()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.Path()));
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    void TearDown() override
    {
        EndProgram(m_pid);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_RUNTIME_DIR");
    }
    // A copy the test started and left running: asked to close as a logout does (so that it
    // cleans up its block, lock and job folder), ended if it does not, and reaped.
    static void EndProgram(pid_t pid)
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        if (!WaitForProcess(pid, 5000, nullptr))
        {
            TerminateProcess(pid);
            WaitForProcess(pid, 5000, nullptr);
        }
    }

    CQVTestFolder m_config{"vantrel-config"};
    CQVTestFolder m_runtime{"vantrel-runtime"};
    pid_t m_pid = -1;
};

} // namespace qv::test
