// One node of the XML document component: an element (name, attributes in order, child
// nodes, text) or a comment (text only). Values are kept as the text that goes into the
// file; the typed accessors convert on the fly, always in the "C" locale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv
{

class CQVXmlNode
{
public:
    enum class Kind
    {
        Element,
        Comment
    };
    using Attribute = std::pair<std::u16string, std::u16string>;

    static std::unique_ptr<CQVXmlNode> NewElement(std::u16string_view name);
    static std::unique_ptr<CQVXmlNode> NewComment(std::u16string_view text);

    Kind GetKind() const { return m_kind; }
    bool IsElement() const { return m_kind == Kind::Element; }
    const std::u16string& Name() const { return m_name; }

    // --- attributes. Setting one that exists removes every attribute of that name and
    // appends the new value at the end of the list.
    void SetInt(std::u16string_view name, int32_t nValue);
    void SetDouble(std::u16string_view name, double dValue);
    void SetFloat(std::u16string_view name, float fValue);
    // Stores the text with "<" and ">" replaced by "&lt;" and "&gt;", and the double quote,
    // which would end the value early and break the file, by "&quot;"; nothing else is
    // escaped.
    void SetString(std::u16string_view name, std::u16string_view value);
    void SetStringUtf8(std::u16string_view name, const std::string& value);
    // Appends as stored, without escaping and without looking for an existing one (the parser).
    void AppendRawAttribute(std::u16string name, std::u16string value);

    bool HasAttribute(std::u16string_view name) const;
    // The first attribute of exactly that name (case-sensitive); the default when missing.
    int32_t GetInt(std::u16string_view name, int32_t nDefault) const;
    double GetDouble(std::u16string_view name, double dDefault) const;
    // Attribute values come back as stored: "&lt;" stays "&lt;" (CQVXmlElementRef::GetPath
    // decodes).
    std::u16string GetString(std::u16string_view name, std::u16string_view defaultValue) const;
    std::string GetStringUtf8(std::u16string_view name, const std::string& defaultValue) const;
    const std::vector<Attribute>& Attributes() const { return m_attributes; }

    // --- text. The element text is stored escaped like an attribute value; Text() turns
    // "&lt;" and "&gt;" back into "<" and ">". A comment's text is stored and returned as is.
    void SetText(std::u16string_view text);
    void SetTextUtf8(const std::string& text);
    void SetRawText(std::u16string text) { m_text = std::move(text); }
    const std::u16string& RawText() const { return m_text; }
    std::u16string Text() const;
    std::string TextUtf8() const;

    // --- children, owned by this node in document order.
    CQVXmlNode* AppendElement(std::u16string_view name);
    CQVXmlNode* AppendComment(std::u16string_view text);
    CQVXmlNode* AppendChild(std::unique_ptr<CQVXmlNode> child);
    const std::vector<std::unique_ptr<CQVXmlNode>>& Children() const { return m_children; }
    bool HasChildren() const { return !m_children.empty(); }
    // The first child element of exactly that name, or null.
    CQVXmlNode* FirstChildElement(std::u16string_view name) const;
    // The next element after this one under the same parent with the same name, or null.
    CQVXmlNode* NextSiblingElement() const;

private:
    CQVXmlNode(Kind kind, std::u16string_view nameOrText);
    const Attribute* FindAttribute(std::u16string_view name) const;
    void ReplaceAttribute(std::u16string_view name, std::u16string value);

    Kind m_kind;
    std::u16string m_name;
    std::u16string m_text;
    std::vector<Attribute> m_attributes;
    std::vector<std::unique_ptr<CQVXmlNode>> m_children;
    // Where this node sits in its parent's list; children are only ever appended, so both
    // stay valid for the node's life.
    const CQVXmlNode* m_pParent = nullptr;
    size_t m_nIndexInParent = 0;
};

// "<" and ">" to "&lt;" and "&gt;", and back. Nothing else is touched.
std::u16string EscapeXmlAngles(std::u16string_view text);
std::u16string UnescapeXmlAngles(std::u16string_view text);
// The same plus the double quote as "&quot;", for attribute values.
std::u16string EscapeXmlAttribute(std::u16string_view text);
std::u16string UnescapeXmlAttribute(std::u16string_view text);

} // namespace qv
