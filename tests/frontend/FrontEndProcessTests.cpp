// The real Vantrel program on the X server: one copy per user, what start-up leaves in the
// settings store and the control block, and an empty tmp/ after the user closes the window.
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "project/OutputSettings.h"
#include "protocol/SharedControlBlock.h"
#include "tests/frontend/RealProgramSupport.h"
#include "tests/support/TestFolder.h"

#include <QProcess>
#include <QThread>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;

namespace
{

std::string FrontEndPath()
{
    return VANTREL_BUILT_FRONTEND;
}

std::string FrontEndFolder()
{
    const std::string path = FrontEndPath();
    return path.substr(0, path.rfind('/') + 1);
}

// Output of a command, trimmed; empty when it fails.
QString RunTool(const QString& program, const QStringList& arguments, int nTimeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(nTimeoutMs) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString FindWindow()
{
    for (int i = 0; i < 100; ++i)
    {
        const QString id = RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Vantrel$"})
                               .section('\n', 0, 0);
        if (!id.isEmpty())
            return id;
        QThread::msleep(100);
    }
    return QString();
}

class XServerFrontEnd : public qv::test::CRealProgramTest
{
};

} // namespace

TEST_F(XServerFrontEnd, StartsOnceLeavesAZeroBlockAndAnEmptyTmpWhenClosed)
{
    m_pid = SpawnDetached(FrontEndPath());
    ASSERT_GT(m_pid, 0);
    const QString window = FindWindow();
    ASSERT_FALSE(window.isEmpty()) << "the main window appears";

    // A second copy ends at once and shows nothing.
    const pid_t second = SpawnDetached(FrontEndPath());
    tagQVProcessExit exit;
    ASSERT_TRUE(WaitForProcess(second, 5000, &exit));
    EXPECT_TRUE(exit.bExited && exit.nExitCode == 0);
    EXPECT_EQ(
        RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Vantrel$"}).split('\n').size(),
        1);

    uint32_t nValue = 99;
    const std::pair<const char*, uint32_t> decoder[] = {
        {"flip", 0}, {"isResize", 0}, {"resizeAscpect", 0}, {"resizeDx", 856}, {"resizeDy", 480}};
    for (const auto& [name, nExpected] : decoder)
    {
        ASSERT_TRUE(CQVSettingsStore::GetDword(kDecoderSettingsKey, name, &nValue)) << name;
        EXPECT_EQ(nValue, nExpected) << name;
    }

    const std::string blockName =
        "/" + std::string(kControlBlockName) + "." + std::to_string(getuid());
    const int fd = shm_open(blockName.c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    struct stat info = {};
    ASSERT_EQ(fstat(fd, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_size, static_cast<off_t>(kControlBlockSize));
    void* pBlock = mmap(nullptr, kControlBlockSize, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    ASSERT_NE(pBlock, MAP_FAILED);
    const std::string zeros(kControlBlockSize, '\0');
    EXPECT_EQ(std::memcmp(pBlock, zeros.data(), kControlBlockSize), 0);
    munmap(pBlock, kControlBlockSize);

    // Files of the session in tmp/ and its frame folder go with the exit.
    const std::string temp = FrontEndFolder() + "tmp/";
    ASSERT_TRUE(MakeFolders(temp + "tlframe"));
    ASSERT_TRUE(qv::test::WriteFileBytes(temp + "tlframe/2.5.jpg", "x"));
    ASSERT_TRUE(qv::test::WriteFileBytes(temp + "01020304050607.wav", "RIFF"));

    // The close button, as a user clicks it.
    RunTool("xdotool", {"mousemove", "--window", window, "988", "15", "click", "1"});
    ASSERT_TRUE(WaitForProcess(m_pid, 10000, &exit)) << "the window closes";
    m_pid = -1;
    EXPECT_TRUE(exit.bExited && exit.nExitCode == 0);
    EXPECT_TRUE(qv::test::ListFiles(temp).empty());
    EXPECT_TRUE(PathExists(temp));
    EXPECT_LT(shm_open(blockName.c_str(), O_RDONLY, 0), 0) << "the block is removed";
}
