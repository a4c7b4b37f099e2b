#include "project/CQVXmlNode.h"

#include "project/TextCodec.h"
#include "project/XmlNumberText.h"

#include <algorithm>

namespace qv
{

namespace
{

std::u16string FromUtf8(const std::string& text)
{
    std::u16string wide;
    if (Utf8ToUtf16(text, &wide))
        return wide;
    // Not UTF-8: each byte stands for the character of the same number, so nothing is lost
    // silently and the result is still well-defined.
    return std::u16string(text.begin(), text.end());
}

} // namespace

namespace
{

std::u16string Escape(std::u16string_view text, bool bQuotes)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text)
    {
        if (c == u'<')
            out += u"&lt;";
        else if (c == u'>')
            out += u"&gt;";
        else if (c == u'"' && bQuotes)
            out += u"&quot;";
        else
            out.push_back(c);
    }
    return out;
}

std::u16string Unescape(std::u16string_view text, bool bQuotes)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        std::u16string_view rest = text.substr(i);
        if (rest.substr(0, 4) == u"&lt;")
        {
            out.push_back(u'<');
            i += 3;
        }
        else if (rest.substr(0, 4) == u"&gt;")
        {
            out.push_back(u'>');
            i += 3;
        }
        else if (bQuotes && rest.substr(0, 6) == u"&quot;")
        {
            out.push_back(u'"');
            i += 5;
        }
        else
            out.push_back(text[i]);
    }
    return out;
}

} // namespace

std::u16string EscapeXmlAngles(std::u16string_view text)
{
    return Escape(text, false);
}

std::u16string UnescapeXmlAngles(std::u16string_view text)
{
    return Unescape(text, false);
}

std::u16string EscapeXmlAttribute(std::u16string_view text)
{
    return Escape(text, true);
}

std::u16string UnescapeXmlAttribute(std::u16string_view text)
{
    return Unescape(text, true);
}

CQVXmlNode::CQVXmlNode(Kind kind, std::u16string_view nameOrText) : m_kind(kind)
{
    if (kind == Kind::Element)
        m_name = nameOrText;
    else
        m_text = nameOrText;
}

std::unique_ptr<CQVXmlNode> CQVXmlNode::NewElement(std::u16string_view name)
{
    return std::unique_ptr<CQVXmlNode>(new CQVXmlNode(Kind::Element, name));
}

std::unique_ptr<CQVXmlNode> CQVXmlNode::NewComment(std::u16string_view text)
{
    return std::unique_ptr<CQVXmlNode>(new CQVXmlNode(Kind::Comment, text));
}

const CQVXmlNode::Attribute* CQVXmlNode::FindAttribute(std::u16string_view name) const
{
    for (const Attribute& attribute : m_attributes)
        if (attribute.first == name)
            return &attribute;
    return nullptr;
}

void CQVXmlNode::ReplaceAttribute(std::u16string_view name, std::u16string value)
{
    // A parsed element may carry the same name twice; every old copy goes, or a later
    // read would still find a stale one first.
    m_attributes.erase(std::remove_if(m_attributes.begin(), m_attributes.end(),
                                      [&](const Attribute& a) { return a.first == name; }),
                       m_attributes.end());
    m_attributes.emplace_back(std::u16string(name), std::move(value));
}

void CQVXmlNode::SetInt(std::u16string_view name, int32_t nValue)
{
    ReplaceAttribute(name, FormatXmlInt(nValue));
}

void CQVXmlNode::SetDouble(std::u16string_view name, double dValue)
{
    ReplaceAttribute(name, FormatXmlDouble(dValue));
}

void CQVXmlNode::SetFloat(std::u16string_view name, float fValue)
{
    ReplaceAttribute(name, FormatXmlDouble(static_cast<double>(fValue)));
}

void CQVXmlNode::SetString(std::u16string_view name, std::u16string_view value)
{
    ReplaceAttribute(name, EscapeXmlAttribute(value));
}

void CQVXmlNode::SetStringUtf8(std::u16string_view name, const std::string& value)
{
    SetString(name, FromUtf8(value));
}

void CQVXmlNode::AppendRawAttribute(std::u16string name, std::u16string value)
{
    m_attributes.emplace_back(std::move(name), std::move(value));
}

bool CQVXmlNode::HasAttribute(std::u16string_view name) const
{
    return FindAttribute(name) != nullptr;
}

int32_t CQVXmlNode::GetInt(std::u16string_view name, int32_t nDefault) const
{
    const Attribute* attribute = FindAttribute(name);
    return attribute ? ParseXmlInt(attribute->second) : nDefault;
}

double CQVXmlNode::GetDouble(std::u16string_view name, double dDefault) const
{
    const Attribute* attribute = FindAttribute(name);
    return attribute ? ParseXmlDouble(attribute->second) : dDefault;
}

std::u16string CQVXmlNode::GetString(std::u16string_view name,
                                     std::u16string_view defaultValue) const
{
    const Attribute* attribute = FindAttribute(name);
    return attribute ? attribute->second : std::u16string(defaultValue);
}

std::string CQVXmlNode::GetStringUtf8(std::u16string_view name,
                                      const std::string& defaultValue) const
{
    const Attribute* attribute = FindAttribute(name);
    return attribute ? Utf16ToUtf8(attribute->second) : defaultValue;
}

void CQVXmlNode::SetText(std::u16string_view text)
{
    m_text = EscapeXmlAngles(text);
}

void CQVXmlNode::SetTextUtf8(const std::string& text)
{
    SetText(FromUtf8(text));
}

std::u16string CQVXmlNode::Text() const
{
    return m_kind == Kind::Element ? UnescapeXmlAngles(m_text) : m_text;
}

std::string CQVXmlNode::TextUtf8() const
{
    return Utf16ToUtf8(Text());
}

CQVXmlNode* CQVXmlNode::AppendChild(std::unique_ptr<CQVXmlNode> child)
{
    child->m_pParent = this;
    child->m_nIndexInParent = m_children.size();
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

CQVXmlNode* CQVXmlNode::AppendElement(std::u16string_view name)
{
    return AppendChild(NewElement(name));
}

CQVXmlNode* CQVXmlNode::AppendComment(std::u16string_view text)
{
    return AppendChild(NewComment(text));
}

CQVXmlNode* CQVXmlNode::FirstChildElement(std::u16string_view name) const
{
    for (const std::unique_ptr<CQVXmlNode>& child : m_children)
        if (child->IsElement() && child->m_name == name)
            return child.get();
    return nullptr;
}

CQVXmlNode* CQVXmlNode::NextSiblingElement() const
{
    if (!m_pParent)
        return nullptr;
    const std::vector<std::unique_ptr<CQVXmlNode>>& siblings = m_pParent->m_children;
    for (size_t i = m_nIndexInParent + 1; i < siblings.size(); ++i)
        if (siblings[i]->IsElement() && siblings[i]->m_name == m_name)
            return siblings[i].get();
    return nullptr;
}

} // namespace qv
