// The TinyXML fallback reader: loads a file as 8-bit text for the few look-ups the project
// reader needs (root element, attributes by name, child elements by name, element text).
//
// TinyXML recurses once per nesting level, compares every new attribute with all earlier
// ones of its element, and reads past the end of its buffer on some malformed input. So
// it is only ever given text that a strict pre-check of its own grammar has accepted: no
// deeper than kMaxDepth, at most kMaxAttributes per element, every tag, comment and value
// terminated, no numeric character references; anything else fails to load.
#pragma once

#include "project/CQVXmlElementRef.h"

#include <memory>
#include <string>
#include <string_view>

class TiXmlDocument;

namespace qv
{

class CQVTinyXmlDocument
{
public:
    static constexpr int kMaxDepth = 256;
    static constexpr int kMaxAttributes = 256;
    static constexpr size_t kMaxBytes = 4u << 20;

    CQVTinyXmlDocument();
    ~CQVTinyXmlDocument();
    CQVTinyXmlDocument(const CQVTinyXmlDocument&) = delete;
    CQVTinyXmlDocument& operator=(const CQVTinyXmlDocument&) = delete;

    // False when the file cannot be read, is larger than kMaxBytes, fails the pre-check or
    // does not parse, or holds no element.
    bool Load(const std::string& path);
    bool LoadBytes(std::string_view bytes);

    // The first top-level element of that name (null handle when there is none).
    CQVXmlElementRef FirstChildElement(const char* name) const;

    // The pre-check on text prepared for parsing (cut at the first NUL, no byte-order
    // mark, line ends made LF). True when TinyXML may be given it.
    static bool IsSafeToParse(std::string_view text);

private:
    std::unique_ptr<TiXmlDocument> m_document;
    bool m_bLoaded = false;
};

} // namespace qv
