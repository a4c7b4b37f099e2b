#include "project/CQVXmlDocument.h"

#include "project/TextCodec.h"

#include "project/FileBytes.h"

#include <utility>
#include <vector>

namespace qv
{

namespace
{

// Larger files are refused rather than read into memory: a one-item job project is a few
// kilobytes, and a project of many lines and items stays far below this.
constexpr size_t kMaxFileBytes = 64u << 20;

constexpr std::u16string_view kLineEnd = u"\r\n";

bool StartsWith(std::u16string_view text, size_t at, std::u16string_view prefix)
{
    return text.size() >= at && text.substr(at).substr(0, prefix.size()) == prefix;
}

// Characters that cannot be part of a name in this dialect. Tags are split at spaces
// only, so a TAB or line break inside a tag would otherwise end up inside a name and the
// element would silently go unseen; such a file fails instead (and the project reader
// then retries it with the general-purpose parser).
bool IsValidName(std::u16string_view name)
{
    if (name.empty())
        return false;
    for (char16_t c : name)
        if (c == 0 || c == u'\t' || c == u'\r' || c == u'\n' || c == u'"' || c == u'\'' ||
            c == u'=' || c == u'<' || c == u'>' || c == u'/' || c == u' ')
            return false;
    return true;
}

void WriteNode(const CQVXmlNode& node, int depth, std::u16string* pOut)
{
    std::u16string& out = *pOut;
    out.append(static_cast<size_t>(depth), u'\t');
    if (!node.IsElement())
    {
        out += u"<!--";
        out += node.RawText();
        out += u"-->";
        out += kLineEnd;
        return;
    }
    out += u'<';
    out += node.Name();
    for (const CQVXmlNode::Attribute& attribute : node.Attributes())
    {
        out += u' ';
        out += attribute.first;
        out += u"=\"";
        out += attribute.second;
        out += u'"';
    }
    if (node.HasChildren())
    {
        out += u'>';
        out += kLineEnd;
        for (const std::unique_ptr<CQVXmlNode>& child : node.Children())
            WriteNode(*child, depth + 1, pOut);
        out.append(static_cast<size_t>(depth), u'\t');
        out += u"</";
        out += node.Name();
        out += u'>';
    }
    else if (node.RawText().empty())
        out += u"/>";
    else
    {
        out += u'>';
        out += node.RawText();
        out += u"</";
        out += node.Name();
        out += u'>';
    }
    out += kLineEnd;
}

} // namespace

CQVXmlDocument::CQVXmlDocument() : m_root(CQVXmlNode::NewElement(u"")) {}

void CQVXmlDocument::Clear()
{
    m_root = CQVXmlNode::NewElement(u"");
}

std::string CQVXmlDocument::Serialize(XmlSaveMode mode) const
{
    const bool utf16 = mode == XmlSaveMode::Utf16Le || mode == XmlSaveMode::Utf16Be;
    if (!utf16 && mode != XmlSaveMode::Utf8Bom && mode != XmlSaveMode::Utf8)
        return std::string();
    std::u16string text = utf16 ? u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                : u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    text += kLineEnd;
    for (const std::unique_ptr<CQVXmlNode>& node : m_root->Children())
        WriteNode(*node, 0, &text);

    std::string bytes;
    switch (mode)
    {
    case XmlSaveMode::Utf8Bom:
        bytes = "\xEF\xBB\xBF";
        [[fallthrough]];
    case XmlSaveMode::Utf8:
        bytes += Utf16ToUtf8(text);
        break;
    case XmlSaveMode::Utf16Le:
    case XmlSaveMode::Utf16Be:
    {
        const bool little = mode == XmlSaveMode::Utf16Le;
        bytes.reserve(2 + text.size() * 2);
        bytes += little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t unit : text)
        {
            char low = static_cast<char>(unit & 0xFF);
            char high = static_cast<char>(unit >> 8);
            bytes.push_back(little ? low : high);
            bytes.push_back(little ? high : low);
        }
        break;
    }
    case XmlSaveMode::None:
        break;
    }
    return bytes;
}

bool CQVXmlDocument::Save(const std::string& path, XmlSaveMode mode) const
{
    std::string bytes = Serialize(mode);
    if (bytes.empty())
        return false;
    return WriteFileBytes(path, bytes);
}

bool CQVXmlDocument::DecodeBytes(std::string_view bytes, std::u16string* pText)
{
    if (bytes.size() < 3)
        return false;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0xFF && byte(1) == 0xFE))
    {
        const bool big = byte(0) == 0xFE;
        std::u16string text;
        text.reserve(bytes.size() / 2);
        // A last odd byte cannot be a character and is dropped.
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(big ? (byte(i) << 8) | byte(i + 1)
                                                     : byte(i) | (byte(i + 1) << 8)));
        *pText = std::move(text);
        return true;
    }
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        bytes.remove_prefix(3);
    return Utf8ToUtf16(std::string(bytes), pText);
}

bool CQVXmlDocument::Load(const std::string& path)
{
    Clear();
    std::string bytes;
    if (!ReadFileBytes(path, kMaxFileBytes, &bytes))
        return false;
    return LoadBytes(bytes);
}

bool CQVXmlDocument::LoadBytes(std::string_view bytes)
{
    Clear();
    std::u16string text;
    if (!DecodeBytes(bytes, &text))
        return false;
    return Parse(text);
}

bool CQVXmlDocument::Parse(std::u16string_view text)
{
    Clear();
    struct OpenElement
    {
        CQVXmlNode* pNode;
        size_t nTextStart; // first character after the start tag
    };
    std::vector<OpenElement> open;
    open.push_back({m_root.get(), 0});
    bool anyElement = false;
    auto fail = [this]
    {
        Clear();
        return false;
    };
    constexpr size_t npos = std::u16string_view::npos;

    size_t p = 0;
    while ((p = text.find(u'<', p)) != npos)
    {
        const size_t tagStart = p;
        if (StartsWith(text, p, u"<!"))
        {
            size_t begin, end, after;
            if (StartsWith(text, p, u"<!--"))
            {
                begin = p + 4;
                end = text.find(u"-->", begin);
                after = end + 3;
            }
            else
            {
                begin = p + 2;
                end = text.find(u'>', begin);
                after = end + 1;
            }
            if (end == npos)
                return fail();
            open.back().pNode->AppendComment(text.substr(begin, end - begin));
            p = after;
        }
        else if (StartsWith(text, p, u"</"))
        {
            size_t end = text.find(u'>', p + 2);
            if (end == npos || open.size() == 1)
                return fail();
            std::u16string_view name = text.substr(p + 2, end - p - 2);
            while (!name.empty() && (name.back() == u' ' || name.back() == u'\t' ||
                                     name.back() == u'\r' || name.back() == u'\n'))
                name.remove_suffix(1);
            OpenElement current = open.back();
            if (name != current.pNode->Name())
                return fail();
            if (!current.pNode->HasChildren())
                current.pNode->SetRawText(
                    std::u16string(text.substr(current.nTextStart, tagStart - current.nTextStart)));
            open.pop_back();
            p = end + 1;
        }
        else if (StartsWith(text, p, u"<?"))
        {
            size_t end = text.find(u"?>", p + 2);
            if (end == npos)
                return fail();
            p = end + 2;
        }
        else
        {
            size_t i = p + 1;
            size_t nameEnd = text.find_first_of(u" />", i);
            if (nameEnd == npos)
                return fail();
            std::u16string_view name = text.substr(i, nameEnd - i);
            if (!IsValidName(name))
                return fail();
            std::unique_ptr<CQVXmlNode> element = CQVXmlNode::NewElement(name);
            i = nameEnd;
            bool selfClosing = false;
            for (;;)
            {
                while (i < text.size() && text[i] == u' ')
                    ++i;
                if (i >= text.size())
                    return fail();
                if (text[i] == u'>')
                {
                    ++i;
                    break;
                }
                if (text[i] == u'/')
                {
                    if (i + 1 >= text.size() || text[i + 1] != u'>')
                        return fail();
                    i += 2;
                    selfClosing = true;
                    break;
                }
                size_t attributeEnd = text.find_first_of(u" =/>", i);
                if (attributeEnd == npos)
                    return fail();
                std::u16string_view attributeName = text.substr(i, attributeEnd - i);
                if (!IsValidName(attributeName))
                    return fail();
                i = attributeEnd;
                while (i < text.size() && text[i] == u' ')
                    ++i;
                if (i >= text.size() || text[i] != u'=')
                    return fail();
                ++i;
                while (i < text.size() && text[i] == u' ')
                    ++i;
                if (i >= text.size() || text[i] != u'"')
                    return fail();
                size_t close = text.find(u'"', i + 1);
                if (close == npos)
                    return fail();
                element->AppendRawAttribute(std::u16string(attributeName),
                                            std::u16string(text.substr(i + 1, close - i - 1)));
                i = close + 1;
            }
            anyElement = true;
            CQVXmlNode* node = open.back().pNode->AppendChild(std::move(element));
            if (!selfClosing)
            {
                if (open.size() > static_cast<size_t>(kMaxDepth))
                    return fail();
                open.push_back({node, i});
            }
            p = i;
        }
    }
    if (open.size() != 1 || !anyElement)
        return fail();
    return true;
}

} // namespace qv
