// The engine's side of Windows Media output: the profile file the front-end saved is
// loaded and decides the Windows Media chain (output types 7 and 8) in place of the
// output settings record.
#pragma once

#include "encode/EncodeSettings.h"
#include "formats/CQVWmProfile.h"

#include <cstdint>
#include <string>

namespace qv
{

// Profiles are a few kilobytes; anything larger is refused unread.
constexpr int64_t kQVMaxProfileFileBytes = 1 << 20;

// Reads the whole file (UTF-16 little-endian, no byte-order mark) into a zero-filled
// buffer two bytes longer, so that the text ends with a 16-bit zero, and loads the
// profile from it. kQVWmOk; kQVWmNotDiskFile for anything but a regular file (a FIFO is
// never waited on); ResultFromErrno of a failed open or read (a missing file is
// 0x80070002), of EFBIG for a file over kQVMaxProfileFileBytes; kQVWmOutOfMemory; the
// manager's result for a text that is no profile (kQVWmInvalidData) or names a codec it
// does not list (kQVWmNotSupported).
int32_t LoadProfileFile(const std::string& path, CQVWmProfile* pProfile);

// Sets the Windows Media chain from the profile's one video and one audio stream: video
// codec, size, bitrate (bitrate priority), frame rate (10,000,000 / time per frame, a
// whole number of frames when within 0.001 of one), frames between key frames (the
// spacing at that rate, at least 1; 0 keeps the codec's own), audio codec, sample rate,
// channels and bitrate. kQVWmOk, or kQVWmInvalidData (settings untouched) when the
// profile lacks either stream or has more than one of a kind, or a value is outside what
// the chain takes: a codec other than wmv1/wmv2 and wmav1/wmav2, an odd size or one
// outside 16..4096, a bitrate that is not positive, a time per frame outside 1..120
// frames/s, a negative or over an hour key-frame spacing, a sample rate other than 8,000,
// 11,025, 16,000, 22,050, 32,000, 44,100 or 48,000 Hz, channels other than 1 or 2, an
// audio bitrate outside 24..320 kbit/s.
int32_t ConfigureFromProfile(const CQVWmProfile& profile, tagQVEncodeSettings* pSettings);

// LoadProfileFile, then ConfigureFromProfile: the first failure is the result.
int32_t ConfigureFromProfileFile(const std::string& path, tagQVEncodeSettings* pSettings);

} // namespace qv
