#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qv
{

pid_t SpawnDetached(const std::string& executable, const std::vector<std::string>& arguments,
                    const std::string& workingFolder)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    if (posix_spawnattr_init(&attributes) != 0)
    {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);

    pid_t pid = -1;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int result = posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return result == 0 ? pid : -1;
}

static void Describe(int status, tagQVProcessExit* pExit)
{
    if (!pExit)
        return;
    pExit->bExited = WIFEXITED(status);
    pExit->nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pExit->nSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

bool ReapProcess(pid_t pid, tagQVProcessExit* pExit)
{
    if (pid <= 0)
        return false;
    int status = 0;
    pid_t result;
    do
        result = waitpid(pid, &status, WNOHANG);
    while (result < 0 && errno == EINTR);
    if (result != pid)
        return false;
    Describe(status, pExit);
    return true;
}

bool WaitForProcess(pid_t pid, int nTimeoutMs, tagQVProcessExit* pExit)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;)
    {
        int status = 0;
        pid_t result = waitpid(pid, &status, WNOHANG);
        if (result == pid)
        {
            Describe(status, pExit);
            return true;
        }
        if (result < 0 && errno != EINTR)
            return false;
        if (nTimeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

static std::string ResolvedPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

static bool RunsAsUs(pid_t pid)
{
    struct stat info;
    std::string folder = "/proc/" + std::to_string(pid);
    return stat(folder.c_str(), &info) == 0 && info.st_uid == getuid();
}

std::vector<pid_t> FindOwnProcesses(const std::string& executable)
{
    std::vector<pid_t> found;
    std::string wanted = ResolvedPath(executable);
    DIR* proc = opendir("/proc");
    if (!proc)
        return found;
    while (dirent* entry = readdir(proc))
    {
        char* end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || !RunsAsUs(static_cast<pid_t>(pid)))
            continue;
        std::string link = "/proc/" + std::string(entry->d_name) + "/exe";
        char buffer[PATH_MAX + 1];
        ssize_t length = readlink(link.c_str(), buffer, PATH_MAX);
        if (length > 0 && std::string(buffer, static_cast<size_t>(length)) == wanted)
            found.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    return found;
}

bool TerminateProcess(pid_t pid)
{
    if (pid <= 0 || !RunsAsUs(pid))
        return false;
    return kill(pid, SIGKILL) == 0;
}

int TerminateOwnProcesses(const std::string& executable)
{
    int count = 0;
    for (pid_t pid : FindOwnProcesses(executable))
        if (pid != getpid() && TerminateProcess(pid))
            ++count;
    return count;
}

} // namespace qv
