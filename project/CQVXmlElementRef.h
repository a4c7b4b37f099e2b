// A read-only handle on an element of either XML parser: the own document component or
// TinyXML, which the engine falls back to for project files the own parser refuses. Both
// are read through the same conversions, so one reader serves both and what they read
// from the same file agrees.
#pragma once

#include <cstdint>
#include <string>

class TiXmlElement;

namespace qv
{

class CQVXmlNode;

class CQVXmlElementRef
{
public:
    CQVXmlElementRef() = default;
    explicit CQVXmlElementRef(const CQVXmlNode* pNode);
    explicit CQVXmlElementRef(const TiXmlElement* pElement);

    explicit operator bool() const { return m_pOwn || m_pTiny; }

    bool HasAttribute(const char* name) const;
    // Number texts are read like CQVXmlNode::GetInt / GetDouble; missing gives the default.
    int32_t GetInt(const char* name, int32_t nDefault) const;
    double GetDouble(const char* name, double dDefault) const;
    // A text attribute that names a file or folder, as UTF-8. The own parser keeps
    // attribute values escaped, so "&lt;", "&gt;" and "&quot;" are turned back into "<",
    // ">" and '"' here (TinyXML has already done so); a path would not be found otherwise.
    std::string GetPath(const char* name, const std::string& defaultValue) const;
    // The element's text as UTF-8, with "&lt;" and "&gt;" decoded; empty when it has none.
    std::string TextUtf8() const;

    CQVXmlElementRef FirstChildElement(const char* name) const;
    CQVXmlElementRef NextSiblingElement() const;

private:
    // The attribute's value in UTF-16 as the own parser stores it; false when missing.
    bool FindValue(const char* name, std::u16string* pValue) const;

    const CQVXmlNode* m_pOwn = nullptr;
    const TiXmlElement* m_pTiny = nullptr;
};

// TinyXML hands back 8-bit text: UTF-8 when it is well-formed, otherwise each byte is
// taken as the character of the same number.
std::u16string EightBitToUtf16(const std::string& text);

} // namespace qv
