#include "project/XmlNumberText.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace qv
{

namespace
{

std::u16string Widen(const char* begin, const char* end)
{
    return std::u16string(begin, end);
}

bool IsCSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

size_t SkipSpace(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    return i;
}

locale_t CLocale()
{
    // Created once and never freed: the conversions may run until the process ends.
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

} // namespace

std::u16string FormatXmlInt(int32_t nValue)
{
    char buffer[16];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, nValue);
    return Widen(buffer, result.ptr);
}

std::u16string FormatXmlDouble(double dValue)
{
    // to_chars with a precision is defined as printf in the "C" locale, whatever the
    // process locale is.
    char buffer[32];
    std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, dValue, std::chars_format::general, 6);
    return Widen(buffer, result.ptr);
}

int32_t ParseXmlInt(std::u16string_view text)
{
    size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulated as a magnitude that stops growing once it is past the int32 range.
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    {
        magnitude = magnitude * 10 + (text[i] - u'0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

double ParseXmlDouble(std::u16string_view text)
{
    size_t i = SkipSpace(text);
    // Only printable ASCII can belong to a number; the rest ends it.
    std::string narrow;
    for (; i < text.size() && text[i] > u' ' && text[i] < 0x7F; ++i)
        narrow.push_back(static_cast<char>(text[i]));
    if (narrow.empty())
        return 0.0;
    locale_t locale = CLocale();
    if (locale == static_cast<locale_t>(0))
    {
        double value = 0.0;
        std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
        return value;
    }
    return strtod_l(narrow.c_str(), nullptr, locale);
}

} // namespace qv
