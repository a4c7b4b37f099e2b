// The file sink: the end of the chain that owns the output file.
//
// The muxer writes into a temporary file in the output's folder; only a complete file is
// renamed onto the output name, so a failed, stopped or killed conversion never leaves a
// half-written file under that name (a killed process can leave a ".vantrel-*.part" file
// behind in the folder). An existing output file is replaced.
#pragma once

#include <cstdint>
#include <string>
#include <time.h>

struct AVIOContext;

namespace qv
{

class CQVFileSink
{
public:
    CQVFileSink() = default;
    ~CQVFileSink(); // discards what is not committed
    CQVFileSink(const CQVFileSink&) = delete;
    CQVFileSink& operator=(const CQVFileSink&) = delete;

    // Checks the output path and creates the temporary file beside it. Returns 0 or a
    // negative errno: -EINVAL empty path, -ENOENT / -ENOTDIR the folder is missing,
    // -EISDIR the path names a folder, -EACCES / -EROFS / -ENOSPC ... when the output or
    // the temporary file cannot be written.
    int32_t Open(const std::string& path);

    // Where the muxer writes; valid between Open and Commit / Discard.
    AVIOContext* Io() const { return m_pIo; }
    const std::string& TemporaryPath() const { return m_temporaryPath; }

    // Flushes, syncs and closes the temporary file and renames it onto the output path.
    // Returns 0, or a negative errno (the first write error included) after removing the
    // temporary file.
    int32_t Commit();

    // Closes and removes the temporary file. Safe when nothing is open.
    void Discard();

    // The modification time Commit gives the output after the rename (the source's, so
    // that the file sorts with the recording, not with the conversion). A time that cannot
    // be set leaves the file's own.
    void SetModificationTime(int64_t nSeconds, int64_t nNanoseconds);

private:
    static int WritePacket(void* pOpaque, uint8_t* pData, int nSize);
    static int64_t Seek(void* pOpaque, int64_t nOffset, int nWhence);
    void CloseIo();

    int m_fd = -1;
    int m_nWriteErrno = 0; // first failed write of the muxer's output
    AVIOContext* m_pIo = nullptr;
    std::string m_path;
    std::string m_temporaryPath;
    bool m_bKeepTime = false;
    struct timespec m_modificationTime = {};
};

} // namespace qv
