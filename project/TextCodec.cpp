#include "project/TextCodec.h"

namespace qv
{

bool Utf8ToUtf16(const std::string& in, std::u16string* pOut)
{
    std::u16string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size())
    {
        unsigned char lead = static_cast<unsigned char>(in[i]);
        char32_t code;
        size_t extra;
        if (lead < 0x80)
            code = lead, extra = 0;
        else if ((lead & 0xE0) == 0xC0)
            code = lead & 0x1F, extra = 1;
        else if ((lead & 0xF0) == 0xE0)
            code = lead & 0x0F, extra = 2;
        else if ((lead & 0xF8) == 0xF0)
            code = lead & 0x07, extra = 3;
        else
            return false;
        if (i + extra >= in.size())
            return false;
        for (size_t k = 1; k <= extra; ++k)
        {
            unsigned char next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000)
        {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        }
        else
            out.push_back(static_cast<char16_t>(code));
        i += extra + 1;
    }
    *pOut = std::move(out);
    return true;
}

std::string Utf16ToUtf8(const std::u16string& in)
{
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i)
    {
        char32_t code = in[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF)
        {
            code = 0x10000 + ((code - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        }
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if (code < 0x80)
            out.push_back(static_cast<char>(code));
        else if (code < 0x800)
        {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        else if (code < 0x10000)
        {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

} // namespace qv
