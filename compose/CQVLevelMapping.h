// The level queue of a conversion: the audio callback writes one record of 64 left and 64
// right levels per audio buffer, the video callback reads one per frame. A per-user named
// shared block with two counters and the frame count in front of the records:
//   0: records written (u64)   8: records read (u64)   16: frame count (i64)
//   24 + 256 × i: record i, 64 left then 64 right signed 16-bit levels
// One writer thread and one reader thread; neither takes a lock.
#pragma once

#include "platform/SharedMapping.h"

#include <cstdint>

namespace qv
{

class CQVLevelMapping
{
public:
    static constexpr const char* kName = "{C32AE008-10E3-4051-A72E-936CB19EF71F}";
    static constexpr int kLevels = 64;
    static constexpr int kRecordBytes = 256;
    static constexpr int kHeaderBytes = 24;

    // trunc(2 × (D + 1) × F × 128 + 24) bytes; 0 for durations or rates that are not
    // positive numbers or that would need more than 1 GiB.
    static int64_t BlockSize(double dDuration, double dFrameRate);

    // Makes the block for a job of dDuration seconds at dFrameRate, zero-filled, with the
    // frame count trunc(F × D). False when it cannot be made.
    bool Create(double dDuration, double dFrameRate);
    // Maps a block another party made. False when there is none.
    bool Open(double dDuration, double dFrameRate);
    // Unmaps; with bRemove the name goes too.
    void Close(bool bRemove);
    bool IsOpen() const { return m_mapping.IsMapped(); }

    // Writer: appends a record; false when the block is full or not open (the record is
    // dropped, the reader is never overrun).
    bool WriteRecord(const int16_t* pLeft, const int16_t* pRight);

    // Reader: takes the next record, waiting for it in 10 ms steps for at most nTimeoutMs.
    // False, with nothing copied, when no record came in time, all frame-count records
    // have been read, or the block is not open.
    bool ReadRecord(int16_t* pLeft, int16_t* pRight, int nTimeoutMs = 1000);

    uint64_t RecordsWritten() const;
    uint64_t RecordsRead() const;
    int64_t FrameCount() const;
    uint64_t Capacity() const;

private:
    uint64_t* Counter(int nIndex) const;

    CQVSharedMapping m_mapping;
};

} // namespace qv
