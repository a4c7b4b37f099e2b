#include "compose/CQVLevelMapping.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace qv
{

int64_t CQVLevelMapping::BlockSize(double dDuration, double dFrameRate)
{
    if (!(dDuration >= 0.0) || !(dFrameRate > 0.0) || !std::isfinite(dDuration) ||
        !std::isfinite(dFrameRate))
        return 0;
    double bytes = 2.0 * (dDuration + 1.0) * dFrameRate * 128.0 + kHeaderBytes;
    if (bytes > 1024.0 * 1024.0 * 1024.0)
        return 0;
    return static_cast<int64_t>(bytes);
}

bool CQVLevelMapping::Create(double dDuration, double dFrameRate)
{
    int64_t size = BlockSize(dDuration, dFrameRate);
    if (size < kHeaderBytes || !m_mapping.Create(kName, static_cast<size_t>(size)))
        return false;
    int64_t frames = static_cast<int64_t>(dFrameRate * dDuration);
    std::memcpy(static_cast<uint8_t*>(m_mapping.Data()) + 16, &frames, sizeof frames);
    return true;
}

bool CQVLevelMapping::Open(double dDuration, double dFrameRate)
{
    int64_t size = BlockSize(dDuration, dFrameRate);
    return size >= kHeaderBytes && m_mapping.Open(kName, static_cast<size_t>(size));
}

void CQVLevelMapping::Close(bool bRemove)
{
    m_mapping.Unmap();
    if (bRemove)
        CQVSharedMapping::Remove(kName);
}

uint64_t* CQVLevelMapping::Counter(int nIndex) const
{
    return reinterpret_cast<uint64_t*>(static_cast<uint8_t*>(m_mapping.Data()) + 8 * nIndex);
}

uint64_t CQVLevelMapping::RecordsWritten() const
{
    return IsOpen() ? __atomic_load_n(Counter(0), __ATOMIC_ACQUIRE) : 0;
}

uint64_t CQVLevelMapping::RecordsRead() const
{
    return IsOpen() ? __atomic_load_n(Counter(1), __ATOMIC_ACQUIRE) : 0;
}

int64_t CQVLevelMapping::FrameCount() const
{
    if (!IsOpen())
        return 0;
    int64_t frames;
    std::memcpy(&frames, static_cast<uint8_t*>(m_mapping.Data()) + 16, sizeof frames);
    return frames;
}

uint64_t CQVLevelMapping::Capacity() const
{
    return IsOpen() ? (m_mapping.Size() - kHeaderBytes) / kRecordBytes : 0;
}

bool CQVLevelMapping::WriteRecord(const int16_t* pLeft, const int16_t* pRight)
{
    if (!IsOpen())
        return false;
    uint64_t written = RecordsWritten();
    if (written >= Capacity())
        return false;
    uint8_t* record =
        static_cast<uint8_t*>(m_mapping.Data()) + kHeaderBytes + kRecordBytes * written;
    std::memcpy(record, pLeft, kLevels * sizeof(int16_t));
    std::memcpy(record + kLevels * sizeof(int16_t), pRight, kLevels * sizeof(int16_t));
    // The count moves only once the record is complete.
    __atomic_store_n(Counter(0), written + 1, __ATOMIC_RELEASE);
    return true;
}

bool CQVLevelMapping::ReadRecord(int16_t* pLeft, int16_t* pRight, int nTimeoutMs)
{
    if (!IsOpen())
        return false;
    uint64_t read = RecordsRead();
    int64_t frames = FrameCount();
    if (read >= Capacity() || (frames >= 0 && read >= static_cast<uint64_t>(frames)))
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (read >= RecordsWritten())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const uint8_t* record =
        static_cast<const uint8_t*>(m_mapping.Data()) + kHeaderBytes + kRecordBytes * read;
    std::memcpy(pLeft, record, kLevels * sizeof(int16_t));
    std::memcpy(pRight, record + kLevels * sizeof(int16_t), kLevels * sizeof(int16_t));
    __atomic_store_n(Counter(1), read + 1, __ATOMIC_RELEASE);
    return true;
}

} // namespace qv
