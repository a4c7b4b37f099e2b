#include "project/SettingsFiles.h"

#include "project/TextCodec.h"

#include <fstream>
#include <iterator>
#include <tinyxml.h>

namespace qv
{

namespace
{

// The files are UTF-16 with a byte-order mark as the front-end writes them; UTF-8 with or
// without a mark is accepted too.
bool LoadAsUtf8(const std::string& path, std::string* pText)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 3)
        return false;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))
    {
        bool bigEndian = byte(0) == 0xFE;
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(bigEndian ? (byte(i) << 8) | byte(i + 1)
                                                            : byte(i) | (byte(i + 1) << 8)));
        *pText = Utf16ToUtf8(units);
        return true;
    }
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        bytes.erase(0, 3);
    std::u16string check;
    if (!Utf8ToUtf16(bytes, &check))
        return false;
    *pText = bytes;
    return true;
}

const TiXmlElement* FindTopElement(TiXmlDocument& document, const std::string& path,
                                   const char* name)
{
    std::string text;
    if (!LoadAsUtf8(path, &text))
        return nullptr;
    // The declaration names UTF-16; the text handed over is already UTF-8.
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error())
        return nullptr;
    return document.FirstChildElement(name);
}

void ReadInt(const TiXmlElement* element, const char* name, int32_t* pValue)
{
    int value = 0;
    if (element->QueryIntAttribute(name, &value) == TIXML_SUCCESS)
        *pValue = value;
}

} // namespace

bool ReadH264Settings(const std::string& path, tagQVH264Settings* pSettings)
{
    TiXmlDocument document;
    const TiXmlElement* settings = FindTopElement(document, path, "Settings");
    if (!settings)
        return false;
    ReadInt(settings, "nProfileIndex", &pSettings->nProfileIndex);
    ReadInt(settings, "nPFrameIndex", &pSettings->nPFrameIndex);
    ReadInt(settings, "nBFrameIndex", &pSettings->nBFrameIndex);
    return true;
}

bool ReadSmoothingSetting(const std::string& path, int32_t* pEnable)
{
    TiXmlDocument document;
    const TiXmlElement* smoothing = FindTopElement(document, path, "_3DSmoothing");
    if (!smoothing)
        return false;
    int32_t enable = 0;
    ReadInt(smoothing, "Enable", &enable);
    *pEnable = enable;
    return true;
}

} // namespace qv
