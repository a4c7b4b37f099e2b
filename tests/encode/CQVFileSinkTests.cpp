// Output files that cannot be written: the conversion fails with a negative result or an
// error event, and nothing appears under the output name.
#include "ConversionHelpers.h"

#include "encode/CQVFileSink.h"
#include "encode/CQVMediaEventQueue.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TestFolder.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::test
{
namespace
{

// A small tmpfs for the test's life; mounting needs privileges that a test run may lack.
class CQVSmallDisk
{
public:
    CQVSmallDisk(const std::string& folder, unsigned long nFlags) : m_folder(folder)
    {
        mkdir(folder.c_str(), 0700);
        m_bMounted = mount("tmpfs", folder.c_str(), "tmpfs", nFlags, "size=64k") == 0;
    }
    ~CQVSmallDisk()
    {
        if (m_bMounted)
            umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_bMounted; }

private:
    std::string m_folder;
    bool m_bMounted = false;
};

TEST(FileSink, FullDiskEndsWithAnErrorEventAndNoFile)
{
    CQVTestFolder folder;
    const std::string small = folder / "small";
    CQVSmallDisk disk(small, 0);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    // Noise at the finest quantiser: far more than 64 KiB.
    tagQVOutputSettings record = TestRecord(3, 320, 240);
    record.nQuality = 1;
    const std::string path = small + "/full.avi";
    const tagQVConversionResult result =
        Convert(path, &record, 1.0, CQVPatternCallback::EPattern::Noise);
    if (result.nBuildResult < 0)
    {
        EXPECT_EQ(result.nBuildResult, -ENOSPC);
    }
    else
    {
        EXPECT_EQ(result.nEventCode, kQVEventErrorAbort);
        EXPECT_EQ(result.nEventParam, -ENOSPC);
    }
    EXPECT_FALSE(PathExists(path));
    EXPECT_TRUE(ListFiles(small).empty());
}

TEST(FileSink, ReadOnlyFolderFailsTheBuild)
{
    CQVTestFolder folder;
    const std::string locked = folder / "locked";
    std::unique_ptr<CQVSmallDisk> pDisk;
    if (geteuid() == 0)
    {
        // Permissions do not stop root; a read-only file system does.
        pDisk = std::make_unique<CQVSmallDisk>(locked, MS_RDONLY);
        if (!pDisk->Mounted())
            GTEST_SKIP() << "cannot mount a read-only tmpfs here";
    }
    else
    {
        ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
    }
    tagQVOutputSettings record = TestRecord(0);
    const std::string path = locked + "/out.mp4";
    const tagQVConversionResult result = Convert(path, &record, 0.5);
    EXPECT_TRUE(result.nBuildResult == -EACCES || result.nBuildResult == -EROFS)
        << result.nBuildResult;
    EXPECT_EQ(result.nEventCode, kQVEventErrorAbort);
    EXPECT_EQ(result.nEventParam, result.nBuildResult);
    EXPECT_FALSE(PathExists(path));
    chmod(locked.c_str(), 0700);
}

TEST(FileSink, ReadOnlyOutputFileIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    CQVTestFolder folder;
    const std::string path = folder / "kept.mp4";
    ASSERT_TRUE(WriteFileBytes(path, "keep me"));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    tagQVOutputSettings record = TestRecord(0);
    EXPECT_EQ(Convert(path, &record, 0.5).nBuildResult, -EACCES);
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, &bytes));
    EXPECT_EQ(bytes, "keep me");
}

TEST(FileSink, CommitRenamesAndDiscardRemoves)
{
    CQVTestFolder folder;
    const std::string path = folder / "sink.bin";
    {
        CQVFileSink sink;
        ASSERT_EQ(sink.Open(path), 0);
        EXPECT_TRUE(PathExists(sink.TemporaryPath()));
        EXPECT_FALSE(PathExists(path));
        EXPECT_EQ(sink.Commit(), 0);
        EXPECT_TRUE(PathExists(path));
        EXPECT_EQ(CountTemporaryFiles(folder.Path()), 0);
    }
    // Dropped without a commit: the temporary file goes, the earlier file stays.
    {
        CQVFileSink sink;
        ASSERT_EQ(sink.Open(path), 0);
        EXPECT_EQ(CountTemporaryFiles(folder.Path()), 1);
    }
    EXPECT_EQ(CountTemporaryFiles(folder.Path()), 0);
    EXPECT_TRUE(PathExists(path));
    // A path that turns into a folder before the commit fails it cleanly.
    const std::string becomesFolder = folder / "late";
    CQVFileSink sink;
    ASSERT_EQ(sink.Open(becomesFolder), 0);
    ASSERT_EQ(mkdir(becomesFolder.c_str(), 0700), 0);
    ASSERT_EQ(WriteFileBytes(becomesFolder + "/x", "x"), true);
    EXPECT_LT(sink.Commit(), 0);
    EXPECT_EQ(CountTemporaryFiles(folder.Path()), 0);
}

// The temporary file of an engine that was ended by force goes with the next conversion
// into the folder; one whose writer still runs, and other files, stay.
TEST(FileSink, TemporaryFilesOfEndedWritersAreRemoved)
{
    CQVTestFolder folder;
    pid_t gone = SpawnDetached("/bin/true");
    ASSERT_GT(gone, 0);
    ASSERT_TRUE(WaitForProcess(gone, 10000, nullptr));
    const std::string abandoned = folder / (".vantrel-" + std::to_string(gone) + "-0-0.part");
    const std::string running = folder / (".vantrel-" + std::to_string(getpid()) + "-99-0.part");
    const std::string other = folder / ".vantrel-notes.part";
    ASSERT_TRUE(WriteFileBytes(abandoned, "half a file"));
    ASSERT_TRUE(WriteFileBytes(running, "being written"));
    ASSERT_TRUE(WriteFileBytes(other, "not ours"));

    CQVFileSink sink;
    ASSERT_EQ(sink.Open(folder / "next.mp4"), 0);
    EXPECT_FALSE(PathExists(abandoned));
    EXPECT_TRUE(PathExists(running));
    EXPECT_TRUE(PathExists(other));
    sink.Discard();
}

} // namespace
} // namespace qv::test
