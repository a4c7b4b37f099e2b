// The output settings record: 21 little-endian 32-bit integers, written raw as
// "tmp/option.dat", and the ten built-in presets both programs start from.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qv
{

#pragma pack(push, 1)
struct tagQVOutputSettings
{
    int32_t nPresetIndex; // row of the preset table, 0..9
    int32_t bForceResize; // 1 = the decoder resizes the source to the output size
    int32_t bFlip;        // 1 = the decoder flips the source picture
    // Output frames per 1000 s, or -1 for the source's own rate; 0 (and any value that
    // names no rate) is the fixed 30 fps mode. project/OutputFrameRate.h reads it.
    int32_t nOutputFrameRate;
    int32_t nSizeClass;       // 0 1080 rows, 1 720, 2 480, 3 360, 4 240
    int32_t nAspect;          // 0 16:9, 1 4:3
    int32_t nSizeMode;        // 0 size priority, 1 bitrate priority, 2 quality priority
    int32_t nVideoBitrate;    // kbit/s
    int32_t nFileSizeMB;      // target file size, MB
    int32_t nQuality;         // 1-based quality factor
    int32_t nWidth;           // output width, pixels
    int32_t nHeight;          // output height, pixels
    int32_t nOverlayQuality;  // 0..4: largest overlay 320x240 .. 1440x1080
    int32_t nWmvCodec;        // index in the Windows Media video codec list
    int32_t nWmaCodec;        // index in the Windows Media audio codec list
    int32_t nWmaFormat;       // item value of the Windows Media audio format list, 0 = none
    int32_t nOutputFormat;    // 0-2 MP4, 3-5 AVI, 6 MOV, 7 WMV, 8 ASF, 9-11 MPEG, 12 FLV, 13 MKV
    int32_t nAudioBitrate;    // kbit/s
    int32_t nAudioSampleRate; // Hz
    int32_t nAudioChannels;   // 0 mono, 1 stereo
    int32_t nReserved80;
};
#pragma pack(pop)

static_assert(sizeof(tagQVOutputSettings) == 84, "the record is 84 bytes on disk");

constexpr int kPresetCount = 10;
constexpr int kFallbackPreset = 4;

// The two programs' tables differ in row 4 (856 x 480 in the front-end, 864 x 480 in the
// engine) and in the overlay quality (the engine's rows keep 0).
enum class PresetTable
{
    FrontEnd,
    Engine
};

using OutputPresets = std::array<tagQVOutputSettings, kPresetCount>;

OutputPresets DefaultPresets(PresetTable table);

// Any index outside 0..9 means slot 4.
int ClampPresetIndex(int32_t nIndex);

// The working table and the current record inside it.
class CQVOutputSettingsTable
{
public:
    explicit CQVOutputSettingsTable(PresetTable table);

    // Refills the presets, copies them into the working table and makes the slot current.
    void SelectPreset(int32_t nIndex);

    tagQVOutputSettings& Current() { return m_working[m_nCurrent]; }
    const tagQVOutputSettings& Current() const { return m_working[m_nCurrent]; }
    int CurrentSlot() const { return m_nCurrent; }
    // Makes another slot of the working table current without refilling it.
    void MakeCurrent(int32_t nIndex) { m_nCurrent = ClampPresetIndex(nIndex); }
    tagQVOutputSettings& Slot(int nIndex) { return m_working[ClampPresetIndex(nIndex)]; }

    // Reads the file raw over the current record: the bytes read replace its start.
    // Returns the number of bytes read (0..84), or -1 when the file cannot be opened or read.
    int ReadOptionFile(const std::string& path);
    // Writes the current record's 84 bytes; false when the file cannot be written whole.
    bool WriteOptionFile(const std::string& path) const;

private:
    PresetTable m_table;
    OutputPresets m_working;
    int m_nCurrent = kFallbackPreset;
};

// The decoder settings derived from a record, written into the per-user settings store
// under "Software\GNU\ffdshow\default": flip, isResize, resizeAscpect (always 0),
// resizeDx, resizeDy. False when the store cannot be written.
bool WriteDecoderSettings(const tagQVOutputSettings& settings);

constexpr const char* kDecoderSettingsKey = "Software\\GNU\\ffdshow\\default";

} // namespace qv
