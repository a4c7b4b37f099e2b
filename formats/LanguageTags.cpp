#include "formats/LanguageTags.h"

#include <cctype>
#include <cstdlib>

namespace qv
{

namespace
{

struct tagQVLanguage
{
    int32_t nLcid;
    const char* pszTag;
};

// The primary language is the low 10 bits of an LCID; the first row of each language is
// its most common region.
const tagQVLanguage kLanguages[] = {
    {0x0409, "en-us"}, {0x0809, "en-gb"}, {0x0C09, "en-au"}, {0x1009, "en-ca"}, {0x1409, "en-nz"},
    {0x1809, "en-ie"}, {0x0407, "de-de"}, {0x0C07, "de-at"}, {0x0807, "de-ch"}, {0x040C, "fr-fr"},
    {0x0C0C, "fr-ca"}, {0x080C, "fr-be"}, {0x100C, "fr-ch"}, {0x0C0A, "es-es"}, {0x080A, "es-mx"},
    {0x0410, "it-it"}, {0x0413, "nl-nl"}, {0x0813, "nl-be"}, {0x0416, "pt-br"}, {0x0816, "pt-pt"},
    {0x041D, "sv-se"}, {0x0406, "da-dk"}, {0x0414, "nb-no"}, {0x040B, "fi-fi"}, {0x0415, "pl-pl"},
    {0x0405, "cs-cz"}, {0x040E, "hu-hu"}, {0x0418, "ro-ro"}, {0x0419, "ru-ru"}, {0x0422, "uk-ua"},
    {0x041F, "tr-tr"}, {0x0408, "el-gr"}, {0x0411, "ja-jp"}, {0x0412, "ko-kr"}, {0x0804, "zh-cn"},
    {0x0404, "zh-tw"}, {0x0401, "ar-sa"}, {0x040D, "he-il"}, {0x041E, "th-th"}, {0x042A, "vi-vn"},
};

constexpr int32_t kPrimaryLanguageMask = 0x03FF;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

int32_t LcidFromLocaleName(const std::string& locale)
{
    // "de_DE.UTF-8@euro" -> "de-de"
    std::string name = Lower(locale.substr(0, locale.find_first_of(".@")));
    for (char& c : name)
    {
        if (c == '_')
            c = '-';
    }
    const std::string language = name.substr(0, name.find('-'));
    if (language.empty() || language == "c" || language == "posix")
        return kQVLcidEnglishUs;
    for (const tagQVLanguage& entry : kLanguages)
    {
        if (name == entry.pszTag)
            return entry.nLcid;
    }
    for (const tagQVLanguage& entry : kLanguages)
    {
        const std::string tag = entry.pszTag;
        if (tag.compare(0, tag.find('-'), language) == 0)
            return entry.nLcid & kPrimaryLanguageMask;
    }
    return kQVLcidEnglishUs;
}

int32_t SystemDefaultLcid()
{
    for (const char* pszVariable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const char* pszValue = std::getenv(pszVariable);
        if (pszValue != nullptr && *pszValue != '\0')
            return LcidFromLocaleName(pszValue);
    }
    return kQVLcidEnglishUs;
}

bool Rfc1766FromLcid(int32_t nLcid, std::string* pTag)
{
    for (const tagQVLanguage& entry : kLanguages)
    {
        if (entry.nLcid == nLcid)
        {
            *pTag = entry.pszTag;
            return true;
        }
    }
    for (const tagQVLanguage& entry : kLanguages)
    {
        if ((entry.nLcid & kPrimaryLanguageMask) == nLcid)
        {
            const std::string tag = entry.pszTag;
            *pTag = tag.substr(0, tag.find('-'));
            return true;
        }
    }
    return false;
}

} // namespace qv
