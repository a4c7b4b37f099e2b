// Whole-file reads and writes for the XML files.
#pragma once

#include <cstddef>
#include <string>

namespace qv
{

// Reads a regular file of at most nMaxBytes. False when it cannot be opened or read, is
// not a regular file, or is larger.
bool ReadFileBytes(const std::string& path, size_t nMaxBytes, std::string* pBytes);

// Creates or truncates the file (new files get mode 0600) and writes all bytes. False when
// it cannot be opened or written whole.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace qv
