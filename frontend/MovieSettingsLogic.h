// What the movie settings decide without a window: the entries of its lists, the labels of
// the output types, the defaults a format brings, the Windows Media codecs chosen by
// default, the help texts, and what OK stores in the output settings record.
#pragma once

#include "formats/OutputTypes.h"
#include "project/OutputSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv
{

// --- size modes: the size mode combo's entries and the record's nSizeMode
enum : int32_t
{
    kSizePriority = 0,
    kBitratePriority = 1,
    kQualityPriority = 2,
};
const std::vector<std::string>& SizeModeTexts();

// --- the presets: their labels in table order
const std::vector<std::string>& PresetLabels();

// --- output types
// The format list: "MP4" (0) and "WMV" (7) first, then the others in type order, leaving out
// the types whose encoders this build's FFmpeg lacks (or the lookup's, for a given one).
const std::vector<int32_t>& FormatListOrder();
std::vector<int32_t> FormatListOrder(QVEncoderLookup pfnHasEncoder);
// "MP4", "WMV", or container (video + audio) for the others, e.g. "MKV (H.264 + MP3)",
// "WebM (VP9 + Opus)"; every label differs. Empty for a type outside 0..17.
std::string FormatLabel(int32_t nType);
// The H.264 types (0-2, 6, 12, 13), whose encoder the H.264 settings shape.
bool IsH264Type(int32_t nType);

// Entries of the quality list ("1" ... "n"): 31 for types 1 and 5, 49 otherwise.
int QualityEntryCount(int32_t nType);
// Entries of the overlay quality list: 5 for presets 0-1, 4 for 2-3, 3 for 4-5, 2 for 6-7,
// 1 for 8-9.
int OverlayQualityEntryCount(int32_t nPreset);

// What choosing a format (or a preset) sets, with the preset list's selection nPreset.
struct tagQVFormatDefaults
{
    int32_t nSizeMode = -1;           // -1 for a type outside 0..17: nothing changes
    int32_t nQualityIndex = -1;       // -1: the quality stays
    std::string bitrateText;          // empty: the bitrate stays
    bool bWindowsMediaCodecs = false; // choose the default Windows Media codecs and format
};
tagQVFormatDefaults FormatDefaults(int32_t nType, int32_t nPreset);

// --- audio lists
const std::vector<std::string>& AudioBitrateTexts();    // "32 Kbps" ... "640 Kbps"
const std::vector<std::string>& AudioSampleRateTexts(); // "8000 Hz" ... "96000 Hz"
const std::vector<std::string>& AudioChannelTexts();    // "1 (Mono)", "2 (Stereo)"
// The number the text starts with (the text up to the first space); 0 when it has none.
int32_t LeadingNumber(const std::string& text);
// The first entry whose leading number is nValue; -1 when none matches or nValue is 0.
int32_t EntryWithLeadingNumber(const std::vector<std::string>& texts, int32_t nValue);

// --- output frame rate: the list's entries and the nOutputFrameRate each writes
struct tagQVFrameRateEntry
{
    const char* pszText;
    int32_t nValue;
};
const std::vector<tagQVFrameRateEntry>& FrameRateEntries();
// The entry that shows a record's value; the "30" entry for every value that counts as the
// fixed 30 fps mode.
int32_t FrameRateEntryOf(int32_t nOutputFrameRate);

// --- output size: rounded down to a multiple of 4, then clamped to 80..1920 (width) and
//     80..1440 (height).
int32_t ClampOutputWidth(int64_t nWidth);
int32_t ClampOutputHeight(int64_t nHeight);
// A number typed into a digits-only edit: its leading digits, at most INT32_MAX; false
// (nothing to store) for a text that does not start with a digit.
bool ParseEditNumber(const std::string& text, int32_t* pValue);

// --- OK: the dialog's controls as they stand. Selections are -1 when nothing is chosen.
struct tagQVMovieSettingsChoice
{
    int32_t nSizeMode = -1;
    std::string fileSizeText, bitrateText, widthText, heightText; // empty: value stays
    int32_t nQualityIndex = -1;
    bool bForceResize = false;
    bool bFlip = false;
    int32_t nOverlayQualityIndex = -1;
    int32_t nOutputType = 0; // the format entry's item data
    int32_t nWmvCodecIndex = -1;
    int32_t nWmaCodecIndex = -1;
    int32_t nWmaFormatCode = 0;                        // the chosen format's item data, 0 when none
    std::string audioBitrateText, audioSampleRateText; // the chosen entries' texts
    int32_t nAudioChannelsIndex = -1;
    int32_t nFrameRateIndex = -1; // entry of FrameRateEntries
};
// Stores the choices in the record, in the dialog's order. A list with nothing chosen
// keeps the record's value, except the audio bitrate and sample rate, which become 0 (the
// codec's default), and the Windows Media codecs, which become -1. Width and height are
// always left rounded and clamped.
void StoreMovieSettings(const tagQVMovieSettingsChoice& choice, tagQVOutputSettings* pRecord);

// --- help: the label ids in the order the pointer is tested against their rows, each
//     with its text.
struct tagQVHelpEntry
{
    int nLabelId;
    const char* pszText;
};
const std::vector<tagQVHelpEntry>& MovieSettingsHelp();

} // namespace qv
