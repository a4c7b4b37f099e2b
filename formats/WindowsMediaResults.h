// Results of the Windows Media profile layer, in the 32-bit result style of the graph
// build: 0 is success, every failure is negative.
#pragma once

#include <cstdint>

namespace qv
{

constexpr int32_t kQVWmOk = 0;
constexpr int32_t kQVWmFail = static_cast<int32_t>(0x80004005u);            // unspecified
constexpr int32_t kQVWmInvalidArgument = static_cast<int32_t>(0x80070057u); // bad index or pointer
constexpr int32_t kQVWmOutOfMemory = static_cast<int32_t>(0x8007000Eu);
// The profile text is not a profile, or carries a value outside what the writer takes.
constexpr int32_t kQVWmInvalidData = static_cast<int32_t>(0x8007000Du);
// A codec this FFmpeg cannot encode, or no Windows Media encoders or muxer at all.
constexpr int32_t kQVWmNotSupported = static_cast<int32_t>(0x80070032u);
// The profile path names something other than a regular file on disk.
constexpr int32_t kQVWmNotDiskFile = static_cast<int32_t>(0xC00D001Cu);

// An errno as the system-facility result of the same meaning (0x8007xxxx): ENOENT is
// "file not found" (0x80070002), EACCES and EPERM "access denied" (0x80070005), ENOTDIR
// "path not found" (0x80070003), ENAMETOOLONG "name too long" (0x800700CE), EFBIG "file too
// large" (0x800700DF), EIO "read fault" (0x8007001E), ENOMEM kQVWmOutOfMemory, EMFILE "too
// many open files" (0x80070004); anything else is kQVWmFail.
int32_t ResultFromErrno(int nErrno);

} // namespace qv
