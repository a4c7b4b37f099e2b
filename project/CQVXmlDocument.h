// The XML document component both programs use for the project and settings files: a
// list of top-level nodes, saved with a byte-order mark, a declaration line, TAB
// indentation and CR LF line ends, and loaded by a small parser of the same dialect
// (angle-bracket escapes only, double-quoted attribute values, no entities).
#pragma once

#include "project/CQVXmlNode.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv
{

enum class XmlSaveMode
{
    None = 0,    // writes nothing and fails
    Utf8Bom = 1, // EF BB BF, then UTF-8
    Utf8 = 2,    // UTF-8 without a mark
    Utf16Le = 3, // FF FE, then UTF-16 little-endian (the project and settings files)
    Utf16Be = 4  // FE FF, then UTF-16 big-endian
};

class CQVXmlDocument
{
public:
    // Elements nest at most this deep; deeper input fails to load (it would only come
    // from a damaged or hostile file, and every walk over the tree is recursive).
    static constexpr int kMaxDepth = 256;

    CQVXmlDocument();

    // The top-level nodes hang under an unnamed root that is never written itself.
    CQVXmlNode& Root() { return *m_root; }
    const CQVXmlNode& Root() const { return *m_root; }
    CQVXmlNode* AppendElement(std::u16string_view name) { return m_root->AppendElement(name); }
    CQVXmlNode* FirstChildElement(std::u16string_view name) const
    {
        return m_root->FirstChildElement(name);
    }
    void Clear();

    // Creates or truncates the file and writes the document in the mode. False for mode
    // None or an unknown mode (nothing is written), or when the file cannot be written.
    bool Save(const std::string& path, XmlSaveMode mode) const;
    // The bytes Save would write; empty for mode None or an unknown mode.
    std::string Serialize(XmlSaveMode mode) const;

    // Replaces the content with the file's. False when the file cannot be opened or read,
    // is shorter than 3 bytes, is not in a recognised encoding, or does not parse; the
    // document is then empty.
    bool Load(const std::string& path);
    // The same for bytes already in memory.
    bool LoadBytes(std::string_view bytes);

    // Decodes a file's bytes to text: FE FF UTF-16BE, FF FE UTF-16LE, EF BB BF UTF-8,
    // anything else must be well-formed UTF-8 as a whole. False for other content and for
    // fewer than 3 bytes.
    static bool DecodeBytes(std::string_view bytes, std::u16string* pText);
    // Parses decoded text into the document; false (document empty) when it is malformed:
    // unbalanced or mismatched tags, an unterminated tag, comment or declaration, an
    // attribute without ="value", nesting past kMaxDepth, or no element at all.
    bool Parse(std::u16string_view text);

private:
    std::unique_ptr<CQVXmlNode> m_root;
};

} // namespace qv
