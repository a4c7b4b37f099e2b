// Feeds arbitrary bytes to both XML loaders. Whatever the own loader accepts must save and
// load again to the very same bytes in every mode; whatever the TinyXML pre-check lets
// through must not make TinyXML build deeper or wider elements than the check counted.
#include "project/CQVTinyXmlDocument.h"
#include "project/CQVXmlDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <tinyxml.h>
#include <utility>
#include <vector>

namespace
{

// Text the loader hands to TinyXML unchanged: no NUL, CR, mark or ampersand.
bool PassesUnchanged(std::string_view bytes)
{
    return bytes.find_first_of(std::string_view("\0\r&", 3)) == std::string_view::npos &&
           bytes.substr(0, 3) != "\xEF\xBB\xBF";
}

// TinyXML keeps what it built up to an error, so its shape is there to measure either way.
void CheckTinyXmlShape(const std::string& text)
{
    TiXmlBase::SetCondenseWhiteSpace(false);
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    std::vector<std::pair<const TiXmlNode*, int>> stack;
    for (const TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling())
        stack.emplace_back(node, 0);
    while (!stack.empty())
    {
        auto [node, depth] = stack.back();
        stack.pop_back();
        if (const TiXmlElement* element = node->ToElement())
        {
            if (depth >= qv::CQVTinyXmlDocument::kMaxDepth + 1)
                std::abort();
            int attributes = 0;
            for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
                ++attributes;
            if (attributes > qv::CQVTinyXmlDocument::kMaxAttributes)
                std::abort();
        }
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            stack.emplace_back(child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::CQVXmlDocument document;
    if (document.LoadBytes(bytes))
    {
        for (qv::XmlSaveMode mode : {qv::XmlSaveMode::Utf16Le, qv::XmlSaveMode::Utf16Be,
                                     qv::XmlSaveMode::Utf8Bom, qv::XmlSaveMode::Utf8})
        {
            const std::string saved = document.Serialize(mode);
            qv::CQVXmlDocument again;
            if (!again.LoadBytes(saved) || again.Serialize(mode) != saved)
                std::abort();
        }
    }
    if (PassesUnchanged(bytes))
    {
        std::string text(bytes);
        text.append(16, '\0');
        if (qv::CQVTinyXmlDocument::IsSafeToParse(bytes))
            CheckTinyXmlShape(text);
    }
    qv::CQVTinyXmlDocument tiny;
    if (tiny.LoadBytes(bytes))
    {
        // Walk what TinyXML built through the common handle.
        qv::CQVXmlElementRef project = tiny.FirstChildElement("project");
        for (qv::CQVXmlElementRef line = project.FirstChildElement("line"); line;
             line = line.NextSiblingElement())
            (void)line.GetDouble("bDisable", 0.0);
    }
    return 0;
}
