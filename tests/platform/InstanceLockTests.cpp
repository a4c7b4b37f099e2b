#include "platform/InstanceLock.h"
#include "tests/support/TestFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using qv::CQVInstanceLock;

TEST(InstanceLock, OneHolderAtATime)
{
    qv::test::CQVTestFolder runtime;
    std::string folder = runtime.Path().substr(0, runtime.Path().size() - 1);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    std::string name = "vantrel-lock-" + std::to_string(getpid());
    EXPECT_EQ(CQVInstanceLock::LockPath(name), folder + "/" + name + ".lock");

    CQVInstanceLock first, second;
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_FALSE(second.Held());
    struct stat info;
    ASSERT_EQ(stat(CQVInstanceLock::LockPath(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    first.Release();
    EXPECT_TRUE(second.Acquire(name));
    unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceLock, FallsBackToTmpWithTheUserId)
{
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(CQVInstanceLock::LockPath("{X}"), "/tmp/{X}." + std::to_string(getuid()) + ".lock");
    setenv("XDG_RUNTIME_DIR", "relative/path", 1);
    EXPECT_EQ(CQVInstanceLock::LockPath("{X}"), "/tmp/{X}." + std::to_string(getuid()) + ".lock");
    unsetenv("XDG_RUNTIME_DIR");
}
