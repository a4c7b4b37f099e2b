// The installed layout: `cmake --install` into a temporary prefix, the installed program run
// on the X server with its job folder in the user's runtime folder, nothing written under
// the prefix, files handed from a second copy to the first, and two users side by side.
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "project/AudioSubstitutes.h"
#include "protocol/SharedControlBlock.h"
#include "tests/frontend/RealProgramSupport.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using qv::test::WaitUntil;

namespace
{

bool Install(const std::string& prefix)
{
    QProcess process;
    process.start("cmake",
                  {"--install", VANTREL_BUILD_DIR, "--prefix", QString::fromStdString(prefix)});
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

// Every path under the folder with its size and modification time.
QStringList Snapshot(const std::string& folder)
{
    QStringList entries;
    QDirIterator it(QString::fromStdString(folder),
                    QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries << QStringLiteral("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

std::string FrontEndBlockPath()
{
    return "/dev/shm/" + std::string(kControlBlockName) + "." + std::to_string(getuid());
}

class XServerInstalled : public qv::test::CRealProgramTest
{
protected:
    void SetUp() override
    {
        CRealProgramTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(Install(m_prefix.Path()));
        chmod(m_prefix.Path().c_str(), 0755);
    }
    void TearDown() override
    {
        EndProgram(m_otherPid);
        CRealProgramTest::TearDown();
    }
    std::string Program() const { return m_prefix / "bin/Vantrel"; }
    std::string JobFolder() const { return m_runtime / "vantrel/"; }

    qv::test::CQVTestFolder m_prefix{"vantrel-prefix"};
    pid_t m_otherPid = -1;
};

} // namespace

TEST_F(XServerInstalled, RunsFromThePrefixWithItsJobFolderInTheRuntimeFolder)
{
    ASSERT_TRUE(PathExists(m_prefix / "share/vantrel/skin/btn/add.png"));
    ASSERT_TRUE(PathExists(m_prefix / "share/applications/vantrel.desktop"));
    ASSERT_TRUE(PathExists(m_prefix / "share/icons/hicolor/256x256/apps/vantrel.png"));
    const QStringList before = Snapshot(m_prefix.Path());

    // A Windows Media file with sound leaves its WAV file and list in the job folder, which
    // shows that the file reached the running copy's list.
    const std::string wmv = qv::test::MediaPath(qv::test::EMedia::H264) + ".handed.wmv";
    ASSERT_TRUE(qv::test::RunFFmpeg(
        "-f lavfi -i testsrc2=size=160x120:rate=15 -f lavfi -i sine -t 1 -c:v wmv2 "
        "-c:a wmav2 \"" +
        wmv + "\""));
    m_pid = SpawnDetached(Program());
    ASSERT_GT(m_pid, 0);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(JobFolder()); }, 10000))
        << "the job folder is made at start-up";
    struct stat info = {};
    ASSERT_EQ(stat(JobFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const pid_t second = SpawnDetached(Program(), {wmv});
    tagQVProcessExit exit;
    ASSERT_TRUE(WaitForProcess(second, 10000, &exit));
    EXPECT_TRUE(exit.bExited && exit.nExitCode == 0);
    ASSERT_TRUE(WaitUntil(
        [&] { return !ReadAudioSubstitutes(JobFolder() + "wavfiles.dat").empty(); }, 10000));
    EXPECT_EQ(ReadAudioSubstitutes(JobFolder() + "wavfiles.dat")[0].source, wmv);

    kill(m_pid, SIGTERM);
    ASSERT_TRUE(WaitForProcess(m_pid, 10000, &exit)) << "a termination signal closes the window";
    m_pid = -1;
    EXPECT_TRUE(exit.bExited && exit.nExitCode == 0);
    EXPECT_FALSE(PathExists(FrontEndBlockPath())) << "and cleans up";
    EXPECT_TRUE(qv::test::ListFiles(JobFolder()).empty());
    const QStringList after = Snapshot(m_prefix.Path());
    QStringList changed;
    for (const QString& entry : after)
        if (!before.contains(entry))
            changed << entry;
    for (const QString& entry : before)
        if (!after.contains(entry))
            changed << QStringLiteral("gone: ") + entry;
    EXPECT_EQ(changed.join('\n').toStdString(), "") << "nothing is written under the prefix";
    std::remove(wmv.c_str());
}

TEST_F(XServerInstalled, TwoUsersKeepTheirOwnBlockLockAndJobFolder)
{
    if (getuid() != 0)
        GTEST_SKIP() << "a second user needs root";
    const uid_t other = 65534;
    qv::test::CQVTestFolder home{"vantrel-other"};
    chmod(home.Path().c_str(), 0755);
    ASSERT_EQ(chown(home.Path().c_str(), other, other), 0);

    m_pid = SpawnDetached(Program());
    // The other user has no access to this X server: it runs on the offscreen platform.
    const std::string script =
        "export HOME='" + home.Path() + "' XDG_RUNTIME_DIR='" + home.Path() +
        "' XDG_CONFIG_HOME='" + home.Path() +
        "' QT_QPA_PLATFORM=offscreen; exec setpriv --reuid=65534 --regid=65534 "
        "--clear-groups '" +
        Program() + "'";
    m_otherPid = SpawnDetached("/bin/sh", {"-c", script});
    const std::string mine =
        "/dev/shm/" + std::string(kControlBlockName) + "." + std::to_string(getuid());
    const std::string theirs =
        "/dev/shm/" + std::string(kControlBlockName) + "." + std::to_string(other);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(mine) && PathExists(theirs); }, 10000));
    struct stat info = {};
    ASSERT_EQ(stat(theirs.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, other);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((home / "vantrel").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, other);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(JobFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, getuid());
    tagQVProcessExit exit;
    EXPECT_FALSE(ReapProcess(m_pid, &exit)) << "both copies run: the locks are per user";
    EXPECT_FALSE(ReapProcess(m_otherPid, &exit));
    // Each ends cleanly on its own signal and removes only its own block.
    kill(m_otherPid, SIGTERM);
    ASSERT_TRUE(WaitForProcess(m_otherPid, 10000, &exit));
    m_otherPid = -1;
    EXPECT_FALSE(PathExists(theirs));
    EXPECT_TRUE(PathExists(mine));
}
