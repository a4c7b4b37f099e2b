// The front-end's side of Windows Media output: the codec and audio format lists of the
// movie settings, the default codecs, and the profile "tmp/wmv.prx" built from the output
// settings record for the engine. Uses no engine code.
#pragma once

#include "formats/CQVStream.h"
#include "formats/CQVWmProfileManager.h"
#include "formats/IQVChoiceList.h"
#include "project/OutputFrameRate.h"
#include "project/OutputSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qv
{

// --- WMA format codes: the format index of the chosen audio codec, plus 5000 per pass
//     for a variable-bitrate format (10003: format 3, variable bitrate, 2 passes).
constexpr int32_t kQVWmaPassStep = 5000;

struct tagQVWmaFormatCode
{
    int32_t nFormatIndex = 0;
    bool bVbrEnabled = false;
    int32_t nPasses = 0;
};

// nPasses 0 gives the constant-bitrate code (the index itself).
int32_t WmaFormatCode(int32_t nFormatIndex, int32_t nPasses);
// Index = code mod 5000, variable bitrate = code / 5000 != 0, passes = code / 5000.
tagQVWmaFormatCode DecodeWmaFormatCode(int32_t nCode);

// Whether the audio format list shows a description for a codec of that name: a
// "Lossless" codec drops only "5.1" formats, every other codec drops "VBR" and "5.1" ones.
bool ShowsWmaFormat(const std::string& codecName, const std::string& description);

// --- the lists of the movie settings. Each fills its list anew and selects the record's
//     entry. kQVWmOk, kQVWmInvalidArgument for a null list, or the manager's failure
//     (the list then stays empty).

// Codec names containing "Windows Media Video" in list order; selects nSelectedCodec,
// lowered to count - 1 when too large.
int32_t FillWmvCodecList(const CQVWmProfileManager& manager, IQVChoiceList* pList,
                         int32_t nSelectedCodec);
// The same for "Windows Media Audio".
int32_t FillWmaCodecList(const CQVWmProfileManager& manager, IQVChoiceList* pList,
                         int32_t nSelectedCodec);
// The formats of audio codec nCodec in the three enumerations (constant bitrate, then 1
// and 2 passes of variable bitrate) that ShowsWmaFormat keeps, each with its format code
// as value; selects the entry whose code is nSelectedCode, else the first.
int32_t FillWmaFormatList(const CQVWmProfileManager& manager, IQVChoiceList* pList, int32_t nCodec,
                          int32_t nSelectedCode);

// --- the default Windows Media entries of the movie settings' lists, as positions in the
//     lists shown; -1 when no entry fits (the selection then stays). The video rule is
//     the record's (ChooseDefaultWindowsMediaCodecs); the audio rules are the dialog's
//     own: they pick from what the lists show, not from the whole codec and format lists.
// "Windows Media Video 9" (case-insensitive), else the last containing "Windows Media Video V8".
int32_t DefaultWmvCodecEntry(const std::vector<std::string>& names);
// The first containing "Windows Media Audio 9." and not "Lossless".
int32_t DefaultWmaCodecEntry(const std::vector<std::string>& names);
// The first containing "128 kbps".
int32_t DefaultWmaFormatEntry(const std::vector<std::string>& descriptions);

// Makes the record's output type 7 (WMV) and chooses the default codecs and format:
// video DefaultWmvCodecEntry of the "Windows Media Video" codecs (unchanged without one);
// audio the first "Windows
// Media Audio 9.2" (case-insensitive), else the last listed (0 when none); format: the
// first description with "128 kbps" and without "5.1" of each enumeration, descriptions
// with "VBR" skipped, a later enumeration's find replacing an earlier one (unchanged when
// none). Here: "Windows Media Video V8" (0), "Windows Media Audio 9.2" (0), "128 kbps,
// 44 kHz, stereo CBR". kQVWmOk, or the manager's failure with only the type set.
int32_t ChooseDefaultWindowsMediaCodecs(tagQVOutputSettings* pRecord);

// --- the profile
constexpr const char* kQVAddVideoStreamFailed = "Add Video Stream To Profile Fialed";
constexpr const char* kQVAddAudioStreamFailed = "Add Audio Stream To Profile Fialed";
constexpr const char16_t* kQVWmProfileName = u"WM Media Profile";
constexpr const char16_t* kQVWmProfileDescription = u"1 Audio 1 Video";

// Adds the described stream to the profile: stream number, the name "Video<n>" /
// "Audio<n>", the codec's format (audio: the format code's format in its enumeration;
// video: format 0 with the description's size, bitrate, frame rate, quality, key-frame
// spacing and variable-bitrate settings), buffer window and language. kQVWmOk, kQVWmFail
// for a video variable-bitrate mode outside 0..3, kQVWmInvalidArgument for a stream kind
// that is neither, a size, frame rate or video bitrate that is not positive, or what the manager or
// the profile refuse.
int32_t AddStreamToProfile(const CQVWmProfileManager& manager, const CQVStream& stream,
                           CQVWmProfile* pProfile);

// Builds the profile of the record (types 7 and 8 only): video stream 1 "Video1" with the
// WMV codec, bitrate kbit/s x 1024, the output size, the record's output frame rate
// (OutputFrameRate with the source's rates; the rate field rounded, the time per frame
// exact to the unit), a key frame every 8 s,
// quality 100, constant bitrate; audio stream 2 "Audio2" with the WMA codec and format
// code; buffer windows 3000 ms; the system's language. Saves it to path as UTF-16
// little-endian text without a byte-order mark, replacing any file there.
// Returns 1 when the type is neither 7 nor 8 (path untouched) or the profile was written;
// 0 on failure, with kQVAddVideoStreamFailed or kQVAddAudioStreamFailed in *pMessage when
// a stream could not be added (empty otherwise; pMessage may be null).
int32_t BuildWmvProfile(const tagQVOutputSettings& record, const std::string& path,
                        std::string* pMessage,
                        const tagQVSourceFrameRates& source = tagQVSourceFrameRates());

} // namespace qv
