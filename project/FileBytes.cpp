#include "project/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

bool ReadFileBytes(const std::string& path, size_t nMaxBytes, std::string* pBytes)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<unsigned long long>(info.st_size) > nMaxBytes)
    {
        close(fd);
        return false;
    }
    std::string bytes;
    char buffer[65536];
    for (;;)
    {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        // The size can change after fstat; the limit holds for what is really read.
        if (got < 0 || bytes.size() + static_cast<size_t>(got) > nMaxBytes)
        {
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    *pBytes = std::move(bytes);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
        {
            close(fd);
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return close(fd) == 0;
}

} // namespace qv
