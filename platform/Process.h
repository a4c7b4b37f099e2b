// Starting, finding, reaping and ending processes of our own programs.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace qv
{

// How a child process ended.
struct tagQVProcessExit
{
    bool bExited = false; // true: ended by exit(); nExitCode is valid
    int nExitCode = -1;   // exit status when bExited
    int nSignal = 0;      // signal that ended it when !bExited
};

// Starts the program with the arguments (none for our programs), stdin/stdout/stderr on
// /dev/null, in a process group of its own, in the given working folder (empty: keep ours).
// Returns the pid, or -1 when it cannot be started. The caller must reap it
// (WaitForProcess / ReapProcess) so that no zombie stays behind.
pid_t SpawnDetached(const std::string& executable, const std::vector<std::string>& arguments = {},
                    const std::string& workingFolder = "");

// Non-blocking: true and *pExit filled when the child has ended (it is reaped then).
bool ReapProcess(pid_t pid, tagQVProcessExit* pExit);

// Waits up to nTimeoutMs (negative: forever) for the child to end and reaps it.
// False on time-out (the child keeps running) or when pid is not our child.
bool WaitForProcess(pid_t pid, int nTimeoutMs, tagQVProcessExit* pExit);

// Processes of the current user whose executable is exactly this file (by /proc/PID/exe).
std::vector<pid_t> FindOwnProcesses(const std::string& executable);

// Ends one process with SIGKILL; only when it runs as our user. True when the signal went.
bool TerminateProcess(pid_t pid);

// Ends every process of ours running this executable except the caller itself;
// returns how many were signalled.
int TerminateOwnProcesses(const std::string& executable);

} // namespace qv
