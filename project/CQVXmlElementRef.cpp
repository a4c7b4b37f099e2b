#include "project/CQVXmlElementRef.h"

#include "project/CQVXmlNode.h"
#include "project/TextCodec.h"
#include "project/XmlNumberText.h"

#include <cstring>
#include <tinyxml.h>

namespace qv
{

namespace
{

bool EqualsAscii(const std::u16string& wide, const char* ascii)
{
    size_t length = std::strlen(ascii);
    if (wide.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (wide[i] != static_cast<unsigned char>(ascii[i]))
            return false;
    return true;
}

std::u16string Widen(const char* ascii)
{
    std::u16string wide;
    for (; *ascii; ++ascii)
        wide.push_back(static_cast<unsigned char>(*ascii));
    return wide;
}

} // namespace

std::u16string EightBitToUtf16(const std::string& text)
{
    std::u16string wide;
    if (Utf8ToUtf16(text, &wide))
        return wide;
    wide.clear();
    for (unsigned char c : text)
        wide.push_back(c);
    return wide;
}

CQVXmlElementRef::CQVXmlElementRef(const CQVXmlNode* pNode)
    : m_pOwn(pNode && pNode->IsElement() ? pNode : nullptr)
{
}

CQVXmlElementRef::CQVXmlElementRef(const TiXmlElement* pElement) : m_pTiny(pElement) {}

bool CQVXmlElementRef::FindValue(const char* name, std::u16string* pValue) const
{
    if (m_pOwn)
    {
        for (const CQVXmlNode::Attribute& attribute : m_pOwn->Attributes())
            if (EqualsAscii(attribute.first, name))
            {
                *pValue = attribute.second;
                return true;
            }
        return false;
    }
    if (m_pTiny)
    {
        const char* value = m_pTiny->Attribute(name);
        if (!value)
            return false;
        *pValue = EightBitToUtf16(value);
        return true;
    }
    return false;
}

bool CQVXmlElementRef::HasAttribute(const char* name) const
{
    std::u16string value;
    return FindValue(name, &value);
}

int32_t CQVXmlElementRef::GetInt(const char* name, int32_t nDefault) const
{
    std::u16string value;
    return FindValue(name, &value) ? ParseXmlInt(value) : nDefault;
}

double CQVXmlElementRef::GetDouble(const char* name, double dDefault) const
{
    std::u16string value;
    return FindValue(name, &value) ? ParseXmlDouble(value) : dDefault;
}

std::string CQVXmlElementRef::GetPath(const char* name, const std::string& defaultValue) const
{
    std::u16string value;
    if (!FindValue(name, &value))
        return defaultValue;
    return Utf16ToUtf8(m_pOwn ? UnescapeXmlAttribute(value) : value);
}

std::string CQVXmlElementRef::TextUtf8() const
{
    if (m_pOwn)
        return m_pOwn->TextUtf8();
    if (m_pTiny)
    {
        const char* text = m_pTiny->GetText();
        return text ? Utf16ToUtf8(EightBitToUtf16(text)) : std::string();
    }
    return std::string();
}

CQVXmlElementRef CQVXmlElementRef::FirstChildElement(const char* name) const
{
    if (m_pOwn)
        return CQVXmlElementRef(m_pOwn->FirstChildElement(Widen(name)));
    if (m_pTiny)
        return CQVXmlElementRef(m_pTiny->FirstChildElement(name));
    return CQVXmlElementRef();
}

CQVXmlElementRef CQVXmlElementRef::NextSiblingElement() const
{
    if (m_pOwn)
        return CQVXmlElementRef(m_pOwn->NextSiblingElement());
    if (m_pTiny)
        return CQVXmlElementRef(m_pTiny->NextSiblingElement(m_pTiny->Value()));
    return CQVXmlElementRef();
}

} // namespace qv
