#include "protocol/SharedControlBlock.h"

#include "project/TextCodec.h"

#include <cstring>

namespace qv
{

bool WriteBlockPath(char16_t (&field)[kBlockPathUnits], const std::string& utf8Path)
{
    std::memset(field, 0, sizeof field);
    std::u16string units;
    if (!Utf8ToUtf16(utf8Path, &units) || units.size() >= kBlockPathUnits)
        return false;
    if (units.find(u'\0') != std::u16string::npos)
        return false;
    std::memcpy(field, units.data(), units.size() * sizeof(char16_t));
    return true;
}

std::string ReadBlockPath(const char16_t (&field)[kBlockPathUnits])
{
    size_t length = 0;
    while (length < kBlockPathUnits && field[length] != 0)
        ++length;
    return Utf16ToUtf8(std::u16string(field, length));
}

} // namespace qv
