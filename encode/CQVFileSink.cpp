#include "encode/CQVFileSink.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C"
{
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace qv
{

namespace
{

constexpr int kIoBufferSize = 64 * 1024;

std::string FolderOf(const std::string& path)
{
    const size_t nSlash = path.find_last_of('/');
    if (nSlash == std::string::npos)
        return ".";
    if (nSlash == 0)
        return "/";
    return path.substr(0, nSlash);
}

// A short name independent of the output's own, so that a long output name still fits.
std::string TemporaryName(const std::string& folder, unsigned nAttempt)
{
    static std::atomic<unsigned> s_nCounter{0};
    char name[64];
    std::snprintf(name, sizeof(name), "/.vantrel-%d-%u-%u.part", static_cast<int>(getpid()),
                  s_nCounter.fetch_add(1), nAttempt);
    return folder + name;
}

// A conversion that was ended by force (the front-end stops a render by ending the engine)
// leaves its temporary file behind. Each new conversion into the folder removes those of
// ours whose writing process is gone.
void RemoveAbandonedTemporaryFiles(const std::string& folder)
{
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return;
    while (dirent* entry = readdir(directory))
    {
        int nPid = 0;
        unsigned nCounter = 0, nAttempt = 0;
        char tail[8] = {0};
        if (std::sscanf(entry->d_name, ".vantrel-%d-%u-%u.%5s", &nPid, &nCounter, &nAttempt,
                        tail) != 4 ||
            std::string(tail) != "part" || nPid <= 0)
            continue;
        if (kill(nPid, 0) == 0 || errno != ESRCH)
            continue; // its writer may still be at work
        const std::string path = folder + "/" + entry->d_name;
        struct stat info;
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid())
            unlink(path.c_str());
    }
    closedir(directory);
}

} // namespace

CQVFileSink::~CQVFileSink()
{
    Discard();
}

int32_t CQVFileSink::Open(const std::string& path)
{
    Discard();
    if (path.empty())
        return -EINVAL;
    if (path.back() == '/')
        return -EISDIR;

    struct stat info;
    if (stat(path.c_str(), &info) == 0)
    {
        if (S_ISDIR(info.st_mode))
            return -EISDIR;
        if (access(path.c_str(), W_OK) != 0)
            return -errno;
    }
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &info) != 0)
        return -errno;
    if (!S_ISDIR(info.st_mode))
        return -ENOTDIR;

    RemoveAbandonedTemporaryFiles(folder);
    for (unsigned nAttempt = 0; nAttempt < 100 && m_fd < 0; ++nAttempt)
    {
        m_temporaryPath = TemporaryName(folder, nAttempt);
        m_fd = open(m_temporaryPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0)
    {
        const int nError = errno;
        m_temporaryPath.clear();
        return -nError;
    }

    auto* pBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (pBuffer != nullptr)
        m_pIo = avio_alloc_context(pBuffer, kIoBufferSize, 1, this, nullptr, &WritePacket, &Seek);
    if (m_pIo == nullptr)
    {
        av_free(pBuffer);
        Discard();
        return -ENOMEM;
    }
    m_path = path;
    m_nWriteErrno = 0;
    return 0;
}

int CQVFileSink::WritePacket(void* pOpaque, uint8_t* pData, int nSize)
{
    auto* pSink = static_cast<CQVFileSink*>(pOpaque);
    int nDone = 0;
    while (nDone < nSize)
    {
        const ssize_t nWritten =
            write(pSink->m_fd, pData + nDone, static_cast<size_t>(nSize - nDone));
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
        {
            const int nError = nWritten < 0 ? errno : EIO;
            if (pSink->m_nWriteErrno == 0)
                pSink->m_nWriteErrno = nError;
            return AVERROR(nError);
        }
        nDone += static_cast<int>(nWritten);
    }
    return nDone;
}

int64_t CQVFileSink::Seek(void* pOpaque, int64_t nOffset, int nWhence)
{
    auto* pSink = static_cast<CQVFileSink*>(pOpaque);
    if (nWhence == AVSEEK_SIZE)
    {
        struct stat info;
        if (fstat(pSink->m_fd, &info) != 0)
            return AVERROR(errno);
        return info.st_size;
    }
    const off_t nPosition = lseek(pSink->m_fd, nOffset, nWhence & ~AVSEEK_FORCE);
    return nPosition < 0 ? AVERROR(errno) : nPosition;
}

void CQVFileSink::CloseIo()
{
    if (m_pIo != nullptr)
    {
        av_freep(&m_pIo->buffer);
        avio_context_free(&m_pIo);
    }
}

int32_t CQVFileSink::Commit()
{
    if (m_fd < 0 || m_pIo == nullptr)
        return -EBADF;
    avio_flush(m_pIo);
    int nError = m_nWriteErrno;
    if (nError == 0 && m_pIo->error < 0)
        nError = EIO;
    CloseIo();
    // A full disk may show itself only when the data reaches it.
    if (nError == 0 && fsync(m_fd) != 0)
        nError = errno;
    if (close(m_fd) != 0 && nError == 0)
        nError = errno;
    m_fd = -1;
    if (nError == 0 && rename(m_temporaryPath.c_str(), m_path.c_str()) != 0)
        nError = errno;
    if (nError != 0)
    {
        unlink(m_temporaryPath.c_str());
        m_temporaryPath.clear();
        return -nError;
    }
    m_temporaryPath.clear();
    if (m_bKeepTime)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, m_modificationTime};
        utimensat(AT_FDCWD, m_path.c_str(), times, 0);
    }
    return 0;
}

void CQVFileSink::SetModificationTime(int64_t nSeconds, int64_t nNanoseconds)
{
    m_bKeepTime = true;
    m_modificationTime.tv_sec = static_cast<time_t>(nSeconds);
    m_modificationTime.tv_nsec = static_cast<long>(nNanoseconds);
}

void CQVFileSink::Discard()
{
    CloseIo();
    if (m_fd >= 0)
    {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_temporaryPath.empty())
    {
        unlink(m_temporaryPath.c_str());
        m_temporaryPath.clear();
    }
}

} // namespace qv
