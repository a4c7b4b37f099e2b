#include "ProjectTestSupport.h"
#include "project/CQVTinyXmlDocument.h"
#include "project/CQVXmlDocument.h"

#include <gtest/gtest.h>

namespace qv
{
namespace
{

std::string Nested(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    return text;
}

TEST(CQVTinyXmlDocument, ReadsWhatTheOwnParserRefuses)
{
    const std::string text = "<?xml version='1.0' encoding='ISO-8859-1'?>\n"
                             "<project\n  b='1' c=\"&quot;x&quot;\" p=\"a &amp; b &lt;c&gt;\">\n"
                             "  <line><item n='1'/><item n='2'/></line>\n"
                             "  <source>  two  spaces\t</source>\n"
                             "  <latin>caf\xE9</latin>\n"
                             "</project>";
    CQVXmlDocument own;
    ASSERT_FALSE(own.LoadBytes(text));
    CQVTinyXmlDocument tiny;
    ASSERT_TRUE(tiny.LoadBytes(text));
    CQVXmlElementRef project = tiny.FirstChildElement("project");
    ASSERT_TRUE(project);
    EXPECT_EQ(project.GetInt("b", 0), 1);
    EXPECT_EQ(project.GetPath("c", ""), "\"x\"");
    EXPECT_EQ(project.GetPath("p", ""), "a & b <c>");
    EXPECT_FALSE(project.HasAttribute("B"));
    int sum = 0;
    for (CQVXmlElementRef item = project.FirstChildElement("line").FirstChildElement("item"); item;
         item = item.NextSiblingElement())
        sum += item.GetInt("n", 0);
    EXPECT_EQ(sum, 3);
    // File paths keep every space; a byte that is not UTF-8 is taken as Latin-1.
    EXPECT_EQ(project.FirstChildElement("source").TextUtf8(), "  two  spaces\t");
    EXPECT_EQ(project.FirstChildElement("latin").TextUtf8(), "caf\xC3\xA9");
    EXPECT_FALSE(project.FirstChildElement("missing"));
}

TEST(CQVTinyXmlDocument, PreCheckRefusesWhatTinyXmlCannotTakeSafely)
{
    EXPECT_TRUE(CQVTinyXmlDocument::IsSafeToParse(Nested(CQVTinyXmlDocument::kMaxDepth)));
    EXPECT_FALSE(CQVTinyXmlDocument::IsSafeToParse(Nested(CQVTinyXmlDocument::kMaxDepth + 1)));
    EXPECT_FALSE(CQVTinyXmlDocument::IsSafeToParse(Nested(200000)));

    std::string many = "<a";
    for (int i = 0; i <= CQVTinyXmlDocument::kMaxAttributes; ++i)
        many += " a" + std::to_string(i) + "=\"1\"";
    EXPECT_FALSE(CQVTinyXmlDocument::IsSafeToParse(many + "/>"));

    const char* bad[] = {
        "<a x=\"&#x3c;\"/>",           // numeric references can skip past quotes
        "<a x=\"1/>",                  // unterminated value
        "<a><!-- open </a>",           // unterminated comment inside an element
        "<a><![CDATA[ x </a>",         // unterminated CDATA
        "<a></b>",                     // mismatched end tag
        "<a>",                         // never closed
        "<a x=1\"/>",                  // quote inside an unquoted value
        "<?XML version=\"1.0\"?><a/>", // case-folded declaration: locale-dependent
        "<?xml VERSION=\"1\"?><a/>",   // the same for its keys
        "\xA0<a/>",                    // white space or not depends on the locale
        "<a \xA0=\"1\"/>",
    };
    for (const char* text : bad)
        EXPECT_FALSE(CQVTinyXmlDocument::IsSafeToParse(text)) << text;

    // Quoted values may hold anything but their own quote; declarations their keys.
    EXPECT_TRUE(CQVTinyXmlDocument::IsSafeToParse(
        "<?xml version=\"1.0\" encoding='x>y'?><!DOCTYPE z><a b='<c>' d=\"</a>\"/>text"));
}

TEST(CQVTinyXmlDocument, DeepOrHostileFilesFailToLoadInsteadOfCrashing)
{
    CQVTinyXmlDocument tiny;
    EXPECT_FALSE(tiny.LoadBytes(Nested(100000)));
    EXPECT_FALSE(tiny.LoadBytes("<a x=\"&#x"));
    EXPECT_FALSE(tiny.LoadBytes(""));
    EXPECT_FALSE(tiny.LoadBytes("text only"));
    // UTF-16 is not 8-bit text.
    EXPECT_FALSE(tiny.LoadBytes(std::string("\xFF\xFE<\0a\0/\0>\0", 10)));
    EXPECT_FALSE(tiny.FirstChildElement("a"));
    // The text ends at the first NUL, as for the C string TinyXML reads.
    EXPECT_TRUE(tiny.LoadBytes(std::string("<a/>\0<", 6)));
    EXPECT_TRUE(tiny.FirstChildElement("a"));
}

// Walks two element trees through the common handle and compares every attribute the
// first one has, and the text.
void ExpectSameTree(CQVXmlElementRef a, CQVXmlElementRef b, const CQVXmlNode& shape)
{
    for (const CQVXmlNode::Attribute& attribute : shape.Attributes())
    {
        std::string name(attribute.first.begin(), attribute.first.end());
        EXPECT_EQ(a.GetPath(name.c_str(), "?"), b.GetPath(name.c_str(), "!")) << name;
        EXPECT_EQ(a.GetDouble(name.c_str(), -1), b.GetDouble(name.c_str(), -2)) << name;
    }
    EXPECT_EQ(a.TextUtf8(), b.TextUtf8());
    for (const auto& child : shape.Children())
    {
        if (!child->IsElement())
            continue;
        std::string name(child->Name().begin(), child->Name().end());
        CQVXmlElementRef ca = a.FirstChildElement(name.c_str());
        CQVXmlElementRef cb = b.FirstChildElement(name.c_str());
        const CQVXmlNode* shapeChild = shape.FirstChildElement(child->Name());
        // Only the first of each name is compared here; the project tests cover lists.
        if (shapeChild == child.get())
            ExpectSameTree(ca, cb, *child);
    }
}

TEST(CQVTinyXmlDocument, BothParsersReadTheSameFromTheSameFile)
{
    CQVXmlDocument golden;
    ASSERT_TRUE(golden.Load(projecttest::DataPath("one_cropped_video.qvprj")));
    // TinyXML reads 8-bit text: the same document saved as UTF-8.
    const std::string utf8 = golden.Serialize(XmlSaveMode::Utf8);
    for (const std::string& bytes :
         {utf8, projecttest::ReadAll(projecttest::DataPath("rich_project.xml"))})
    {
        CQVXmlDocument own;
        ASSERT_TRUE(own.LoadBytes(bytes));
        CQVTinyXmlDocument tiny;
        ASSERT_TRUE(tiny.LoadBytes(bytes));
        const CQVXmlNode* project = own.FirstChildElement(u"project");
        ASSERT_NE(project, nullptr);
        ExpectSameTree(CQVXmlElementRef(project), tiny.FirstChildElement("project"), *project);
    }
}

} // namespace
} // namespace qv
