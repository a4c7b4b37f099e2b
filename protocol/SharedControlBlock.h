// The live channel between the front-end and the engine: one 1128-byte block of
// per-user shared memory. Both programs include this header; nothing else crosses.
//
// There is no lock: each field has a single writer at any moment and the other side
// polls. Integers are 32-bit little-endian, doubles 64-bit, paths UTF-16LE of 260 units
// including the terminating NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv
{

constexpr const char* kControlBlockName = "{07DA9ECA-658B-4D92-AAAD-EF7EB9EDE500}";
constexpr size_t kControlBlockSize = 1128;
constexpr size_t kBlockPathUnits = 260;

// Values of nState.
enum : int32_t
{
    kStateIdle = 0,
    kStateRunning = 2,
    kStatePreviewRequested = 3,
};

#pragma pack(push, 1)
struct SharedControlBlock
{
    int32_t nPresetIndex;  // front-end: preset in use; outside 0..9 means slot 4
    int32_t bGraphRunning; // engine: 1 once the graph runs (conversion) or is built (preview)
    int32_t bStartConvert; // front-end: 1 = the conversion may begin
    int32_t bShowPreview;  // front-end: 1 = show a preview window
    int32_t bPreviewRun;   // front-end: 1 = preview, 0 = conversion
    int32_t bEngineClosed; // engine: 1 when the conversion dialog is gone
    int32_t nState;        // 0 idle/ended, 2 converting or playing, 3 preview requested
    int32_t nReserved28;   // written by the front-end at a conversion start
    double dPosition;      // seconds on the project timeline
    double dReserved40;    // front-end: 0.0 at a conversion start
    double dPreviewLength; // seconds, written by the front-end at a preview start
    int32_t bConvertJob;   // 1 conversion, 0 preview
    char16_t szSourcePath[kBlockPathUnits]; // single-file source; empty in normal use
    char16_t szOutputPath[kBlockPathUnits]; // the conversion's output file
    int32_t nOverrideSizeMode;              // single-file mode only
    int32_t nOverrideBitrate;               // single-file mode; hPreviewHost in a preview
    int32_t nOverrideFileSize;              // single-file mode only
    int32_t nOverrideQuality;               // single-file mode only
    int32_t nReserved1116;                  // engine: 0 while it configures the video encoder
    int32_t bPreviewFailed;                 // engine: 1 = the preview failed or stopped on error
    int32_t nReserved1124;
};
#pragma pack(pop)

static_assert(sizeof(SharedControlBlock) == kControlBlockSize, "block size");
static_assert(offsetof(SharedControlBlock, nPresetIndex) == 0, "layout");
static_assert(offsetof(SharedControlBlock, bGraphRunning) == 4, "layout");
static_assert(offsetof(SharedControlBlock, bStartConvert) == 8, "layout");
static_assert(offsetof(SharedControlBlock, bShowPreview) == 12, "layout");
static_assert(offsetof(SharedControlBlock, bPreviewRun) == 16, "layout");
static_assert(offsetof(SharedControlBlock, bEngineClosed) == 20, "layout");
static_assert(offsetof(SharedControlBlock, nState) == 24, "layout");
static_assert(offsetof(SharedControlBlock, nReserved28) == 28, "layout");
static_assert(offsetof(SharedControlBlock, dPosition) == 32, "layout");
static_assert(offsetof(SharedControlBlock, dReserved40) == 40, "layout");
static_assert(offsetof(SharedControlBlock, dPreviewLength) == 48, "layout");
static_assert(offsetof(SharedControlBlock, bConvertJob) == 56, "layout");
static_assert(offsetof(SharedControlBlock, szSourcePath) == 60, "layout");
static_assert(offsetof(SharedControlBlock, szOutputPath) == 580, "layout");
static_assert(offsetof(SharedControlBlock, nOverrideSizeMode) == 1100, "layout");
static_assert(offsetof(SharedControlBlock, nOverrideBitrate) == 1104, "layout");
static_assert(offsetof(SharedControlBlock, nOverrideFileSize) == 1108, "layout");
static_assert(offsetof(SharedControlBlock, nOverrideQuality) == 1112, "layout");
static_assert(offsetof(SharedControlBlock, nReserved1116) == 1116, "layout");
static_assert(offsetof(SharedControlBlock, bPreviewFailed) == 1120, "layout");
static_assert(offsetof(SharedControlBlock, nReserved1124) == 1124, "layout");

// The preview host window shares its word with the bitrate override.
inline uint32_t PreviewHost(const SharedControlBlock& block)
{
    return static_cast<uint32_t>(block.nOverrideBitrate);
}

// Path fields. Paths on disk are UTF-8; the block holds UTF-16LE.
// Writes the path with its NUL after clearing all 520 bytes. A path that needs more than
// 259 units is refused (false, field left cleared) rather than cut, as is invalid UTF-8.
bool WriteBlockPath(char16_t (&field)[kBlockPathUnits], const std::string& utf8Path);
// Reads up to the first NUL (or all 260 units) as UTF-8; unpaired surrogates become U+FFFD.
std::string ReadBlockPath(const char16_t (&field)[kBlockPathUnits]);

} // namespace qv

namespace qv
{

// How an engine process ends. The block protocol is unchanged by it; the front-end reads
// the status of the process it started to tell a finished file from a failed one.
enum EngineExitStatus : int
{
    kEngineCompleted = 0,   // the job's output was completed
    kEngineFailed = 1,      // the job started and failed (graph, source or output)
    kEngineNoBlock = 2,     // no control block: started without a front-end
    kEngineNoSettings = 3,  // "tmp/option.dat" missing or unreadable
    kEngineNothingToDo = 4, // preview run without a preview window, or a conversion with nState 0
};

} // namespace qv
