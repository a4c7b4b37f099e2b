// Number texts of the XML files: "%d" and "%g" (six significant digits) on the way out, the
// C library's wide-string conversions on the way in. Always in the "C" locale: a file
// written under a German locale must still say 12.3457, and read the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv
{

// "%d".
std::u16string FormatXmlInt(int32_t nValue);

// "%g": six significant digits, exponent form for very large and very small values.
std::u16string FormatXmlDouble(double dValue);

// The leading decimal integer of the text (white space, an optional sign, digits), as
// wcstol reads it with a 32-bit long: values past the int32 range saturate, and a text
// without a leading number gives 0.
int32_t ParseXmlInt(std::u16string_view text);

// The leading floating-point number of the text, as wcstod reads it in the "C" locale
// (so "inf", "nan" and hexadecimal forms are numbers too); 0 when there is none.
double ParseXmlDouble(std::u16string_view text);

} // namespace qv
