#include "platform/Process.h"
#include "tests/support/TestFolder.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace qv;

TEST(Process, SpawnReportsTheExitStatus)
{
    tagQVProcessExit exit;
    pid_t pid = SpawnDetached("/bin/sh", {"-c", "exit 7"});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForProcess(pid, 10000, &exit));
    EXPECT_TRUE(exit.bExited);
    EXPECT_EQ(exit.nExitCode, 7);
    EXPECT_FALSE(ReapProcess(pid, &exit)) << "a reaped child is gone";
}

TEST(Process, StandardStreamsAreTheNullDevice)
{
    test::CQVTestFolder folder;
    // With stdin on /dev/null, read gets end-of-file at once instead of waiting.
    std::string script = "read line; echo \"[$line]\" > \"" + folder / "out.txt" +
                         "\"; x=$(readlink /proc/$$/fd/1); echo \"$x\" > \"" + folder / "fd.txt" +
                         "\"";
    pid_t pid = SpawnDetached("/bin/sh", {"-c", script}, folder.Path());
    ASSERT_GT(pid, 0);
    tagQVProcessExit exit;
    ASSERT_TRUE(WaitForProcess(pid, 10000, &exit));
    std::string out, fd;
    ASSERT_TRUE(test::ReadFileBytes(folder / "out.txt", &out));
    EXPECT_EQ(out, "[]\n");
    ASSERT_TRUE(test::ReadFileBytes(folder / "fd.txt", &fd));
    EXPECT_NE(fd.find("/dev/null"), std::string::npos) << fd;
}

TEST(Process, SpawnOfAMissingProgramFails)
{
    pid_t pid = SpawnDetached("/nonexistent/program");
    if (pid > 0)
    {
        // glibc may report the failure through the child's exit status instead.
        tagQVProcessExit exit;
        ASSERT_TRUE(WaitForProcess(pid, 10000, &exit));
        EXPECT_EQ(exit.nExitCode, 127);
    }
}

TEST(Process, WaitTimesOutAndTerminateEndsOnlyOurProgram)
{
    test::CQVTestFolder folder;
    std::string ours = folder / "our sleeper";
    ASSERT_TRUE(test::CopyFile("/bin/sleep", ours, true));
    pid_t mine = SpawnDetached(ours, {"30"});
    pid_t other = SpawnDetached("/bin/sleep", {"30"});
    ASSERT_GT(mine, 0);
    ASSERT_GT(other, 0);

    tagQVProcessExit exit;
    EXPECT_FALSE(WaitForProcess(mine, 50, &exit));

    std::vector<pid_t> found;
    for (int i = 0; i < 200 && found.empty(); ++i)
    {
        found = FindOwnProcesses(ours);
        usleep(10000);
    }
    ASSERT_EQ(found, std::vector<pid_t>{mine});
    EXPECT_EQ(TerminateOwnProcesses(ours), 1);
    ASSERT_TRUE(WaitForProcess(mine, 10000, &exit));
    EXPECT_FALSE(exit.bExited);
    EXPECT_EQ(exit.nSignal, SIGKILL);

    EXPECT_FALSE(ReapProcess(other, &exit)) << "a process of another executable keeps running";
    EXPECT_TRUE(TerminateProcess(other));
    ASSERT_TRUE(WaitForProcess(other, 10000, &exit));
    EXPECT_FALSE(TerminateProcess(-1));
}
