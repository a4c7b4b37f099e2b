#include "project/CQVTinyXmlDocument.h"

#include "project/FileBytes.h"

#include <tinyxml.h>
#include <vector>

namespace qv
{

namespace
{

bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlpha(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameStart(unsigned char c)
{
    return IsAsciiAlpha(c) || c == '_';
}

// TinyXML takes every byte from 127 up as a letter; a name may carry such bytes after
// its first character.
bool IsNameChar(unsigned char c)
{
    return c >= 127 || IsAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':';
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Walks the text the way TinyXML's parser does (legacy 8-bit mode), without recursion,
// and says no at the first thing it is not sure TinyXML reads the same way. Where TinyXML
// would stop early but still succeed (text at the top level) it stops too.
class CTinyXmlShapeCheck
{
public:
    explicit CTinyXmlShapeCheck(std::string_view text) : m_text(text) {}

    bool Run()
    {
        for (;;)
        {
            if (m_open.empty())
            {
                SkipSpace();
                if (AtEnd())
                    return true;
                unsigned char c = Byte(m_p);
                if (c >= 0x80)
                    return false; // whether TinyXML skips it depends on the locale
                if (c != '<')
                    return true; // TinyXML stops reading here
            }
            else
            {
                size_t lt = m_text.find('<', m_p);
                if (lt == std::string_view::npos)
                    return false;
                m_p = lt;
                if (StartsWith("</"))
                {
                    std::string expected = "</" + std::string(m_open.back()) + ">";
                    if (!StartsWith(expected))
                        return false;
                    m_p += expected.size();
                    m_open.pop_back();
                    continue;
                }
            }
            if (!Node())
                return false;
        }
    }

private:
    bool AtEnd() const { return m_p >= m_text.size(); }
    unsigned char Byte(size_t i) const
    {
        return i < m_text.size() ? static_cast<unsigned char>(m_text[i]) : 0;
    }
    bool StartsWith(std::string_view prefix) const
    {
        return m_text.substr(m_p).substr(0, prefix.size()) == prefix;
    }
    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(Byte(m_p)))
            ++m_p;
    }
    // Past white space to the next byte, which must be there and ASCII.
    bool SkipSpaceToAscii(unsigned char* pByte)
    {
        SkipSpace();
        *pByte = Byte(m_p);
        return !AtEnd() && *pByte < 0x80;
    }
    bool SkipPast(std::string_view terminator)
    {
        size_t end = m_text.find(terminator, m_p);
        if (end == std::string_view::npos)
            return false;
        m_p = end + terminator.size();
        return true;
    }

    // At a "<" that is not an end tag.
    bool Node()
    {
        if (StartsWith("<?xml"))
            return Declaration();
        if (EqualsIgnoringAsciiCase(m_text.substr(m_p).substr(0, 5), "<?xml"))
            return false; // TinyXML's case folding follows the locale
        if (StartsWith("<!--"))
        {
            m_p += 4;
            return SkipPast("-->");
        }
        if (StartsWith("<![CDATA["))
        {
            m_p += 9;
            return SkipPast("]]>");
        }
        unsigned char next = Byte(m_p + 1);
        if (StartsWith("<!") || !(IsNameStart(next) || next >= 127))
        {
            ++m_p;
            return SkipPast(">");
        }
        if (next >= 127)
            return false; // TinyXML might skip it as white space first
        return Element();
    }

    bool Name(std::string_view* pName)
    {
        size_t start = m_p;
        if (!IsNameStart(Byte(m_p)))
            return false;
        while (!AtEnd() && IsNameChar(Byte(m_p)))
            ++m_p;
        *pName = m_text.substr(start, m_p - start);
        return true;
    }

    // name = value, at the first character of the name.
    bool Attribute()
    {
        std::string_view name;
        if (!Name(&name))
            return false;
        SkipSpace();
        if (AtEnd() || Byte(m_p) != '=')
            return false;
        ++m_p;
        unsigned char c = 0;
        if (!SkipSpaceToAscii(&c))
            return false;
        if (c == '"' || c == '\'')
        {
            size_t close = m_text.find(static_cast<char>(c), m_p + 1);
            if (close == std::string_view::npos)
                return false;
            m_p = close + 1;
            return true;
        }
        while (!AtEnd() && !IsSpace(Byte(m_p)) && Byte(m_p) != '/' && Byte(m_p) != '>')
        {
            c = Byte(m_p);
            if (c == '"' || c == '\'' || c >= 0x80)
                return false;
            ++m_p;
        }
        return !AtEnd();
    }

    bool Element()
    {
        ++m_p;
        std::string_view name;
        if (!Name(&name))
            return false;
        int attributes = 0;
        for (;;)
        {
            unsigned char c = 0;
            if (!SkipSpaceToAscii(&c))
                return false;
            if (c == '/')
            {
                if (Byte(m_p + 1) != '>')
                    return false;
                m_p += 2;
                return true;
            }
            if (c == '>')
            {
                ++m_p;
                if (m_open.size() >= static_cast<size_t>(CQVTinyXmlDocument::kMaxDepth))
                    return false;
                m_open.push_back(name);
                return true;
            }
            if (++attributes > CQVTinyXmlDocument::kMaxAttributes || !Attribute())
                return false;
        }
    }

    bool Declaration()
    {
        m_p += 5;
        for (;;)
        {
            if (AtEnd())
                return false;
            if (Byte(m_p) == '>')
            {
                ++m_p;
                return true;
            }
            SkipSpace();
            if (AtEnd() || Byte(m_p) >= 0x80)
                return false;
            bool handled = false;
            for (std::string_view key : {"version", "encoding", "standalone"})
            {
                std::string_view here = m_text.substr(m_p).substr(0, key.size());
                if (here == key)
                {
                    if (!Attribute())
                        return false;
                    handled = true;
                    break;
                }
                if (EqualsIgnoringAsciiCase(here, key))
                    return false;
            }
            if (!handled)
                while (!AtEnd() && Byte(m_p) != '>' && !IsSpace(Byte(m_p)))
                {
                    if (Byte(m_p) >= 0x80)
                        return false;
                    ++m_p;
                }
        }
    }

    std::string_view m_text;
    size_t m_p = 0;
    std::vector<std::string_view> m_open;
};

std::string EscapeBareAmpersands(const std::string& text)
{
    static const std::string_view kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        out.push_back(text[i]);
        if (text[i] != '&')
            continue;
        bool entity = false;
        for (std::string_view known : kEntities)
            entity = entity || std::string_view(text).substr(i, known.size()) == known;
        if (!entity)
            out += "amp;";
    }
    return out;
}

// TinyXML switches a process-wide flag; keep its leading and repeated spaces (file paths)
// for the time of one parse and put the flag back.
class CKeepWhiteSpace
{
public:
    CKeepWhiteSpace() : m_bOld(TiXmlBase::IsWhiteSpaceCondensed())
    {
        TiXmlBase::SetCondenseWhiteSpace(false);
    }
    ~CKeepWhiteSpace() { TiXmlBase::SetCondenseWhiteSpace(m_bOld); }

private:
    bool m_bOld;
};

} // namespace

CQVTinyXmlDocument::CQVTinyXmlDocument() = default;
CQVTinyXmlDocument::~CQVTinyXmlDocument() = default;

bool CQVTinyXmlDocument::IsSafeToParse(std::string_view text)
{
    if (text.size() > kMaxBytes || text.find("&#") != std::string_view::npos)
        return false;
    return CTinyXmlShapeCheck(text).Run();
}

bool CQVTinyXmlDocument::Load(const std::string& path)
{
    m_document.reset();
    m_bLoaded = false;
    std::string bytes;
    if (!ReadFileBytes(path, kMaxBytes, &bytes))
        return false;
    return LoadBytes(bytes);
}

bool CQVTinyXmlDocument::LoadBytes(std::string_view bytes)
{
    m_document.reset();
    m_bLoaded = false;
    if (bytes.size() > kMaxBytes)
        return false;
    // TinyXML reads a C string: the text ends at the first NUL.
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    // Line ends as TinyXML's own file loader leaves them.
    std::string text;
    text.reserve(bytes.size() + 16);
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        if (bytes[i] == '\r')
        {
            text.push_back('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        }
        else
            text.push_back(bytes[i]);
    }
    if (!IsSafeToParse(text))
        return false;
    // TinyXML drops an "&" that does not start an entity; the own writer leaves such
    // ampersands as they are ("sun & sea.mp4"), so they are spelled out for TinyXML.
    text = EscapeBareAmpersands(text);
    // Spare NULs behind the text: a parser that steps one past the end still reads ours.
    text.append(16, '\0');

    auto document = std::make_unique<TiXmlDocument>();
    {
        CKeepWhiteSpace keep;
        document->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    }
    if (document->Error() || !document->RootElement())
        return false;
    m_document = std::move(document);
    m_bLoaded = true;
    return true;
}

CQVXmlElementRef CQVTinyXmlDocument::FirstChildElement(const char* name) const
{
    if (!m_bLoaded)
        return CQVXmlElementRef();
    return CQVXmlElementRef(m_document->FirstChildElement(name));
}

} // namespace qv
