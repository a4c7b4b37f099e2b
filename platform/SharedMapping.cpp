#include "platform/SharedMapping.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

CQVSharedMapping::~CQVSharedMapping()
{
    Unmap();
}

std::string CQVSharedMapping::ObjectName(const std::string& name)
{
    return "/" + name + "." + std::to_string(static_cast<unsigned long>(getuid()));
}

// Another user could have made an object under our name first; never trust it.
static bool IsOurs(int fd)
{
    struct stat info;
    return fstat(fd, &info) == 0 && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

bool CQVSharedMapping::MapDescriptor(int fd, size_t nSize)
{
    void* data = mmap(nullptr, nSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED)
        return false;
    m_pData = data;
    m_nSize = nSize;
    return true;
}

bool CQVSharedMapping::Create(const std::string& name, size_t nSize)
{
    Unmap();
    if (nSize == 0)
        return false;
    int fd = shm_open(ObjectName(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (!IsOurs(fd) || ftruncate(fd, static_cast<off_t>(nSize)) != 0)
    {
        close(fd);
        return false;
    }
    if (!MapDescriptor(fd, nSize))
        return false;
    std::memset(m_pData, 0, nSize);
    return true;
}

bool CQVSharedMapping::Open(const std::string& name, size_t nSize)
{
    Unmap();
    if (nSize == 0)
        return false;
    int fd = shm_open(ObjectName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct stat info;
    if (!IsOurs(fd) || fstat(fd, &info) != 0 || static_cast<size_t>(info.st_size) < nSize)
    {
        close(fd);
        return false;
    }
    return MapDescriptor(fd, nSize);
}

void CQVSharedMapping::Unmap()
{
    if (m_pData)
        munmap(m_pData, m_nSize);
    m_pData = nullptr;
    m_nSize = 0;
}

bool CQVSharedMapping::Remove(const std::string& name)
{
    return shm_unlink(ObjectName(name).c_str()) == 0;
}

} // namespace qv
