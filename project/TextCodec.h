// Conversions between the UTF-8 of file paths and the UTF-16 of the control block and
// the XML files. Strict: malformed input is reported, never guessed at.
#pragma once

#include <string>

namespace qv
{

// False when the input is not well-formed UTF-8 (overlong forms, surrogates, values
// above U+10FFFF and truncated sequences included); *pOut is then unspecified.
bool Utf8ToUtf16(const std::string& in, std::u16string* pOut);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& in);

} // namespace qv
