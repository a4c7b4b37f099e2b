#include "platform/ProgramFolder.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace qv;

TEST(ProgramFolder, IsTheExecutablesFolderWithATrailingSlash)
{
    const std::string& folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    char exe[4096];
    ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(exe, static_cast<size_t>(length)).rfind(folder, 0), 0u);
    EXPECT_EQ(ProgramPath("tmp\\option.dat"), folder + "tmp/option.dat");
}

TEST(ProgramFolder, FileNamePartAcceptsBothSeparators)
{
    EXPECT_EQ(FileNamePart("C:\\videos\\clip one.avi"), "clip one.avi");
    EXPECT_EQ(FileNamePart("/home/u/vidéo.mp4"), "vidéo.mp4");
    EXPECT_EQ(FileNamePart("mixed/a\\b.mkv"), "b.mkv");
    EXPECT_EQ(FileNamePart("plain.mov"), "plain.mov");
    EXPECT_EQ(FileNamePart("folder/"), "");
}

TEST(ProgramFolder, MakeFoldersCreatesParentsAndExistenceSeesFolders)
{
    test::CQVTestFolder root;
    std::string deep = root / "a b/ç/\"q\"";
    EXPECT_FALSE(PathExists(deep));
    ASSERT_TRUE(MakeFolders(deep));
    EXPECT_TRUE(PathExists(deep));
    EXPECT_TRUE(MakeFolders(deep)) << "an existing folder is fine";
    ASSERT_TRUE(test::WriteFileBytes(root / "file", "x"));
    EXPECT_FALSE(MakeFolders(root / "file/sub"));
    EXPECT_FALSE(PathExists(""));
}
