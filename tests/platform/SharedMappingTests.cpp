#include "platform/SharedMapping.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using qv::CQVSharedMapping;

namespace
{

std::string UniqueName(const char* what)
{
    return std::string("vantrel-test-") + what + "-" + std::to_string(getpid());
}

struct ScopedName
{
    explicit ScopedName(std::string n) : name(std::move(n)) { CQVSharedMapping::Remove(name); }
    ~ScopedName() { CQVSharedMapping::Remove(name); }
    std::string name;
};

} // namespace

TEST(SharedMapping, CreateZeroesAndOpenSeesTheSameBytes)
{
    ScopedName scoped(UniqueName("share"));
    CQVSharedMapping owner;
    ASSERT_TRUE(owner.Create(scoped.name, 1128));
    const unsigned char* bytes = static_cast<unsigned char*>(owner.Data());
    for (size_t i = 0; i < 1128; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    std::memcpy(owner.Data(), "hello", 5);

    CQVSharedMapping user;
    ASSERT_TRUE(user.Open(scoped.name, 1128));
    EXPECT_EQ(std::memcmp(user.Data(), "hello", 5), 0);
    static_cast<char*>(user.Data())[1127] = 'z';
    EXPECT_EQ(static_cast<char*>(owner.Data())[1127], 'z');

    struct stat info;
    std::string path = "/dev/shm" + CQVSharedMapping::ObjectName(scoped.name);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SharedMapping, CreateOverAStaleBlockZeroesIt)
{
    ScopedName scoped(UniqueName("stale"));
    CQVSharedMapping first;
    ASSERT_TRUE(first.Create(scoped.name, 64));
    std::memset(first.Data(), 0xAB, 64);
    first.Unmap();

    CQVSharedMapping second;
    ASSERT_TRUE(second.Create(scoped.name, 64));
    EXPECT_EQ(static_cast<unsigned char*>(second.Data())[10], 0);
}

TEST(SharedMapping, OpenFailsWhenMissingOrTooSmall)
{
    ScopedName scoped(UniqueName("small"));
    CQVSharedMapping user;
    EXPECT_FALSE(user.Open(scoped.name, 16));
    EXPECT_FALSE(user.IsMapped());

    CQVSharedMapping owner;
    ASSERT_TRUE(owner.Create(scoped.name, 16));
    EXPECT_FALSE(user.Open(scoped.name, 1128));
    EXPECT_FALSE(user.IsMapped());
    EXPECT_TRUE(user.Open(scoped.name, 16));
    user.Unmap();
    user.Unmap();
    EXPECT_FALSE(user.IsMapped());
}

TEST(SharedMapping, RefusesAnObjectOfAnotherUserOrWithLooseMode)
{
    ScopedName scoped(UniqueName("foreign"));
    std::string object = CQVSharedMapping::ObjectName(scoped.name);
    int fd = shm_open(object.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 1128), 0);
    ASSERT_EQ(fchmod(fd, 0666), 0);

    CQVSharedMapping mapping;
    EXPECT_FALSE(mapping.Open(scoped.name, 1128)) << "a block others can write is not ours";
    EXPECT_FALSE(mapping.Create(scoped.name, 1128));

    if (getuid() == 0)
    {
        ASSERT_EQ(fchmod(fd, 0600), 0);
        ASSERT_EQ(fchown(fd, 65534, 65534), 0);
        EXPECT_FALSE(mapping.Open(scoped.name, 1128));
        EXPECT_FALSE(mapping.Create(scoped.name, 1128));
    }
    close(fd);
}
