#include "platform/SettingsStore.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TestFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using qv::CQVSettingsStore;

namespace
{

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", m_folder.Path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    qv::test::CQVTestFolder m_folder;
};

const char* kKey = "Software\\GNU\\ffdshow\\default";

} // namespace

TEST_F(SettingsStoreTest, LivesInTheUsersConfigFolderWithPrivateMode)
{
    EXPECT_EQ(CQVSettingsStore::FilePath(), m_folder / "vantrel/registry.reg");
    uint32_t value = 1;
    EXPECT_FALSE(CQVSettingsStore::GetDword(kKey, "flip", &value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(CQVSettingsStore::SetDword(kKey, "flip", 0));
    struct stat info;
    ASSERT_EQ(stat(CQVSettingsStore::FilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(CQVSettingsStore::GetDword(kKey, "flip", &value));
    EXPECT_EQ(value, 0u);
}

TEST_F(SettingsStoreTest, ReplacesValuesAndKeepsOtherKeys)
{
    ASSERT_TRUE(CQVSettingsStore::SetDwords(kKey, {{"resizeDx", 864}, {"resizeDy", 480}}));
    ASSERT_TRUE(CQVSettingsStore::SetDword("Software\\Other", "isDeinterlace", 1));
    ASSERT_TRUE(CQVSettingsStore::SetDword(kKey, "resizeDx", 0xFFFFFFFFu));
    uint32_t value = 0;
    ASSERT_TRUE(CQVSettingsStore::GetDword(kKey, "resizeDx", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    ASSERT_TRUE(CQVSettingsStore::GetDword(kKey, "resizeDy", &value));
    EXPECT_EQ(value, 480u);
    ASSERT_TRUE(CQVSettingsStore::GetDword("Software\\Other", "isDeinterlace", &value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(CQVSettingsStore::GetDword("Software\\Other", "resizeDy", &value));
}

TEST_F(SettingsStoreTest, MalformedLinesAreSkippedNotFatal)
{
    ASSERT_TRUE(qv::MakeFolders(m_folder / "vantrel"));
    std::string junk = "garbage\nflip=dword:1\n[Software\\GNU\\ffdshow\\default]\n"
                       "flip=dword:zz\nisResize=dword:123456789\n=dword:5\nresizeDx=dword:360\r\n";
    ASSERT_TRUE(qv::test::WriteFileBytes(m_folder / "vantrel/registry.reg", junk));
    uint32_t value = 0;
    EXPECT_FALSE(CQVSettingsStore::GetDword(kKey, "flip", &value));
    EXPECT_FALSE(CQVSettingsStore::GetDword(kKey, "isResize", &value));
    ASSERT_TRUE(CQVSettingsStore::GetDword(kKey, "resizeDx", &value));
    EXPECT_EQ(value, 0x360u);
    EXPECT_TRUE(CQVSettingsStore::SetDword(kKey, "flip", 1));
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing)
{
    auto writer = [](const std::string& prefix)
    {
        for (uint32_t i = 0; i < 40; ++i)
            ASSERT_TRUE(CQVSettingsStore::SetDword(kKey, prefix + std::to_string(i), i));
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    for (uint32_t i = 0; i < 40; ++i)
    {
        uint32_t value = 999;
        EXPECT_TRUE(CQVSettingsStore::GetDword(kKey, "a" + std::to_string(i), &value));
        EXPECT_EQ(value, i);
        EXPECT_TRUE(CQVSettingsStore::GetDword(kKey, "b" + std::to_string(i), &value));
        EXPECT_EQ(value, i);
    }
}

TEST_F(SettingsStoreTest, StringsKeepEveryByteBesideDwords)
{
    const std::string folder = "/media/d\xc3\xa9j\xc3\xa0 vu/100% \"done\"\n[x]=dword:1";
    ASSERT_TRUE(CQVSettingsStore::SetDword("Software\\A", "n", 7));
    ASSERT_TRUE(CQVSettingsStore::SetString("Software\\A", "szFolder", folder));
    std::string value;
    ASSERT_TRUE(CQVSettingsStore::GetString("Software\\A", "szFolder", &value));
    EXPECT_EQ(value, folder);
    uint32_t n = 0;
    EXPECT_TRUE(CQVSettingsStore::GetDword("Software\\A", "n", &n));
    EXPECT_EQ(n, 7u);
    EXPECT_FALSE(CQVSettingsStore::GetDword("Software\\A", "szFolder", &n))
        << "a string is no dword";
    EXPECT_FALSE(CQVSettingsStore::GetString("Software\\A", "n", &value)) << "a dword is no string";
    EXPECT_FALSE(CQVSettingsStore::GetDword("Software\\A", "x", &n))
        << "the newline did not make a value";
}
