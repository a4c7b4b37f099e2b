#include "platform/InstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

CQVInstanceLock::~CQVInstanceLock()
{
    Release();
}

std::string CQVInstanceLock::LockPath(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (runtime && runtime[0] == '/' && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == getuid())
        return std::string(runtime) + "/" + name + ".lock";
    return "/tmp/" + name + "." + std::to_string(static_cast<unsigned long>(getuid())) + ".lock";
}

bool CQVInstanceLock::Acquire(const std::string& name)
{
    Release();
    int fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_uid != getuid() || flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void CQVInstanceLock::Release()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

} // namespace qv
