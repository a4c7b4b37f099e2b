#include "ProjectTestSupport.h"
#include "project/CQVXmlDocument.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qv
{
namespace
{

using projecttest::CScratchFolder;
using projecttest::ReadAll;
using projecttest::WriteAll;

// A document with every kind of node: nested elements, a comment, text, attributes.
void BuildSample(CQVXmlDocument* pDocument)
{
    CQVXmlNode* root = pDocument->AppendElement(u"root");
    root->SetInt(u"n", 7);
    root->SetDouble(u"d", 123.456789);
    root->AppendComment(u" note ");
    CQVXmlNode* child = root->AppendElement(u"child");
    child->SetString(u"s", u"a<b>&\"c");
    child->AppendElement(u"leaf");
    root->AppendElement(u"text")->SetText(u"x < y");
    pDocument->AppendElement(u"second");
}

const char kSampleText[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<root n=\"7\" d=\"123.457\">\r\n"
                           "\t<!-- note -->\r\n"
                           "\t<child s=\"a&lt;b&gt;&&quot;c\">\r\n"
                           "\t\t<leaf/>\r\n"
                           "\t</child>\r\n"
                           "\t<text>x &lt; y</text>\r\n"
                           "</root>\r\n"
                           "<second/>\r\n";

TEST(CQVXmlDocument, SerialisesWithTabsCrLfAndOnlyAngleEscapes)
{
    CQVXmlDocument document;
    BuildSample(&document);
    EXPECT_EQ(document.Serialize(XmlSaveMode::Utf8), kSampleText);
}

TEST(CQVXmlDocument, EachModeWritesItsMarkAndEncoding)
{
    CQVXmlDocument document;
    document.AppendElement(u"a")->SetTextUtf8("\xC3\xA9"); // é
    const std::string utf8 = document.Serialize(XmlSaveMode::Utf8);
    EXPECT_EQ(utf8, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a>\xC3\xA9</a>\r\n");
    EXPECT_EQ(document.Serialize(XmlSaveMode::Utf8Bom), "\xEF\xBB\xBF" + utf8);

    const std::string le = document.Serialize(XmlSaveMode::Utf16Le);
    const std::string be = document.Serialize(XmlSaveMode::Utf16Be);
    ASSERT_GE(le.size(), 4u);
    EXPECT_EQ(le.substr(0, 4), std::string("\xFF\xFE<\0", 4));
    EXPECT_EQ(be.substr(0, 4), std::string("\xFE\xFF\0<", 4));
    EXPECT_NE(le.find(std::string("U\0T\0F\0-\0", 8) + std::string("1\0"
                                                                   "6\0",
                                                                   4)),
              std::string::npos);
    // é is U+00E9 in both byte orders.
    EXPECT_NE(le.find(std::string("\xE9\0", 2)), std::string::npos);
    EXPECT_NE(be.find(std::string("\0\xE9", 2)), std::string::npos);
}

TEST(CQVXmlDocument, ModeNoneAndUnknownModesWriteNothing)
{
    CScratchFolder folder;
    CQVXmlDocument document;
    document.AppendElement(u"a");
    EXPECT_FALSE(document.Save(folder / "none.xml", XmlSaveMode::None));
    EXPECT_FALSE(document.Save(folder / "five.xml", static_cast<XmlSaveMode>(5)));
    struct stat info;
    EXPECT_NE(stat((folder / "none.xml").c_str(), &info), 0);
    EXPECT_NE(stat((folder / "five.xml").c_str(), &info), 0);
    EXPECT_FALSE(document.Save(folder / "missing-folder/a.xml", XmlSaveMode::Utf16Le));
}

TEST(CQVXmlDocument, SaveTruncatesAndEveryModeLoadsBack)
{
    CScratchFolder folder;
    CQVXmlDocument document;
    BuildSample(&document);
    const std::string path = folder / "doc.xml";
    WriteAll(path, std::string(10000, 'x'));
    for (XmlSaveMode mode :
         {XmlSaveMode::Utf8Bom, XmlSaveMode::Utf8, XmlSaveMode::Utf16Le, XmlSaveMode::Utf16Be})
    {
        ASSERT_TRUE(document.Save(path, mode));
        EXPECT_EQ(ReadAll(path), document.Serialize(mode));
        CQVXmlDocument loaded;
        ASSERT_TRUE(loaded.Load(path)) << static_cast<int>(mode);
        EXPECT_EQ(loaded.Serialize(XmlSaveMode::Utf8), kSampleText);
    }
}

TEST(CQVXmlDocument, SettingAnExistingAttributeMovesItToTheEnd)
{
    CQVXmlDocument document;
    ASSERT_TRUE(document.LoadBytes("<a x=\"1\" y=\"2\" x=\"3\"/>"));
    CQVXmlNode* a = document.FirstChildElement(u"a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetInt(u"x", -1), 1); // the first of a name wins
    a->SetInt(u"x", 9);
    ASSERT_EQ(a->Attributes().size(), 2u);
    EXPECT_EQ(a->Attributes()[0].first, u"y");
    EXPECT_EQ(a->Attributes()[1].first, u"x");
    EXPECT_EQ(a->GetInt(u"x", -1), 9);
}

TEST(CQVXmlDocument, TypedAccessUsesDefaultsAndExactNames)
{
    CQVXmlDocument document;
    CQVXmlNode* e = document.AppendElement(u"e");
    e->SetFloat(u"f", 0.1f);
    e->SetString(u"s", u"<x>");
    EXPECT_EQ(e->GetString(u"f", u""), u"0.1");
    EXPECT_EQ(e->GetString(u"s", u""), u"&lt;x&gt;"); // values come back as stored
    // A quote would end the value in the file: it is the one more character escaped.
    e->SetString(u"q", u"say \"hi\" & go");
    EXPECT_EQ(e->GetString(u"q", u""), u"say &quot;hi&quot; & go");
    e->SetText(u"say \"hi\"");
    EXPECT_EQ(e->RawText(), u"say \"hi\"");
    EXPECT_TRUE(e->HasAttribute(u"s"));
    EXPECT_FALSE(e->HasAttribute(u"S"));
    EXPECT_EQ(e->GetInt(u"S", 5), 5);
    EXPECT_DOUBLE_EQ(e->GetDouble(u"missing", 2.5), 2.5);
    EXPECT_EQ(e->GetStringUtf8(u"missing", "dflt"), "dflt");
    EXPECT_EQ(e->GetInt(u"s", 5), 0); // present but not a number
}

TEST(CQVXmlDocument, ParserKeepsCommentsSkipsDeclarationsAndKeepsChildlessText)
{
    CQVXmlDocument document;
    ASSERT_TRUE(document.LoadBytes("<?xml version=\"1.0\"?>\n<!--top-->"
                                   "<r a=\"x>y\" b = \"2\"><!DOCTYPE odd>"
                                   "<t>one &lt;two&gt; &amp;</t><e/><p>text<q/>lost</p>"
                                   "<w>\r\n</w><?pi skip?></r >"));
    const CQVXmlNode& root = document.Root();
    ASSERT_EQ(root.Children().size(), 2u);
    EXPECT_FALSE(root.Children()[0]->IsElement());
    EXPECT_EQ(root.Children()[0]->RawText(), u"top");
    const CQVXmlNode* r = document.FirstChildElement(u"r");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetString(u"a", u""), u"x>y");
    EXPECT_EQ(r->GetInt(u"b", 0), 2);
    EXPECT_EQ(r->Children()[0]->RawText(), u"DOCTYPE odd");
    EXPECT_EQ(r->FirstChildElement(u"t")->Text(), u"one <two> &amp;");
    EXPECT_EQ(r->FirstChildElement(u"t")->RawText(), u"one &lt;two&gt; &amp;");
    EXPECT_TRUE(r->FirstChildElement(u"e")->RawText().empty());
    EXPECT_TRUE(r->FirstChildElement(u"p")->RawText().empty()); // has a child: no text
    EXPECT_EQ(r->FirstChildElement(u"w")->RawText(), u"\r\n");
}

TEST(CQVXmlDocument, SiblingWalkFindsOnlyElementsOfTheSameName)
{
    CQVXmlDocument document;
    ASSERT_TRUE(document.LoadBytes("<r><i n=\"1\"/><x/><!--c--><i n=\"2\"/><i n=\"3\"></i></r>"));
    const CQVXmlNode* r = document.FirstChildElement(u"r");
    std::u16string seen;
    for (const CQVXmlNode* i = r->FirstChildElement(u"i"); i; i = i->NextSiblingElement())
        seen += i->GetString(u"n", u"?");
    EXPECT_EQ(seen, u"123");
    EXPECT_EQ(r->FirstChildElement(u"I"), nullptr);
    EXPECT_EQ(r->NextSiblingElement(), nullptr);
}

TEST(CQVXmlDocument, MalformedDocumentsFailAndLeaveItEmpty)
{
    const char* bad[] = {
        "<a>",                     // unclosed
        "<a></a></b>",             // close without open
        "<a></b>",                 // mismatched
        "<a><b></a></b>",          // crossed
        "<a x='1'/>",              // single quotes are not known
        "<a x/>",                  // attribute without value
        "<a x=\"1/>",              // unterminated value
        "<a\tx=\"1\"/>",           // only spaces separate attributes
        "<a/ >",                   // "/" must close the tag
        "<!-- open",               // unterminated comment
        "<?xml version=\"1.0\"",   // unterminated declaration
        "< a/>",                   // empty name
        "<a",                      // unterminated tag
        "just text",               // no element at all
        "<?xml version=\"1.0\"?>", // nor here
    };
    for (const char* text : bad)
    {
        CQVXmlDocument document;
        document.AppendElement(u"before");
        EXPECT_FALSE(document.LoadBytes(text)) << text;
        EXPECT_TRUE(document.Root().Children().empty()) << text;
    }
}

TEST(CQVXmlDocument, NestingIsBounded)
{
    auto nested = [](int depth)
    {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    };
    CQVXmlDocument document;
    EXPECT_TRUE(document.LoadBytes(nested(CQVXmlDocument::kMaxDepth)));
    EXPECT_FALSE(document.LoadBytes(nested(CQVXmlDocument::kMaxDepth + 1)));
    EXPECT_FALSE(document.LoadBytes(nested(100000)));
}

TEST(CQVXmlDocument, ByteOrderMarksChooseTheEncoding)
{
    CQVXmlDocument document;
    // FE FF: big-endian.
    EXPECT_TRUE(document.LoadBytes(std::string("\xFE\xFF\0<\0a\0/\0>", 10)));
    EXPECT_NE(document.FirstChildElement(u"a"), nullptr);
    EXPECT_TRUE(document.LoadBytes(std::string("\xFF\xFE<\0a\0/\0>\0", 10)));
    EXPECT_NE(document.FirstChildElement(u"a"), nullptr);
    EXPECT_TRUE(document.LoadBytes("\xEF\xBB\xBF<a/>"));
    // UTF-16 without a mark is not recognised.
    EXPECT_FALSE(document.LoadBytes(std::string("<\0a\0/\0>\0", 8)));
    // Big-endian text read as little-endian is not a document.
    EXPECT_FALSE(document.LoadBytes(std::string("\xFF\xFE\0<\0a\0/\0>", 10)));
}

TEST(CQVXmlDocument, TooShortOrMissingFilesFail)
{
    CScratchFolder folder;
    CQVXmlDocument document;
    EXPECT_FALSE(document.LoadBytes(""));
    EXPECT_FALSE(document.LoadBytes("<a"));
    WriteAll(folder / "two.xml", "\xFF\xFE");
    EXPECT_FALSE(document.Load(folder / "two.xml"));
    EXPECT_FALSE(document.Load(folder / "missing.xml"));
    EXPECT_FALSE(document.Load(folder.Path())); // a folder is not a file
}

TEST(CQVXmlDocument, Utf8WithoutMarkMustBeWellFormed)
{
    CQVXmlDocument document;
    EXPECT_TRUE(document.LoadBytes("<a v=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC\"/>"));
    EXPECT_EQ(document.FirstChildElement(u"a")->GetString(u"v", u""), u"é€🎬");
    const char* bad[] = {
        "<a v=\"\x80\"/>",             // stray continuation byte
        "<a v=\"\xC3\"/>",             // lead without continuation
        "<a/>\xE2\x82",                // sequence cut by the end of the file
        "<a v=\"\xC0\xAF\"/>",         // overlong
        "<a v=\"\xED\xA0\x80\"/>",     // surrogate
        "<a v=\"\xF8\x88\x80\x80\"/>", // five-byte lead
        "\xEF\xBB\xBF<a v=\"\xFF\"/>", // the mark does not excuse the rest
    };
    for (const char* text : bad)
        EXPECT_FALSE(document.LoadBytes(text)) << text;
}

TEST(CQVXmlDocument, OddTrailingByteOfUtf16IsDropped)
{
    CQVXmlDocument document;
    EXPECT_TRUE(document.LoadBytes(std::string("\xFF\xFE<\0a\0/\0>\0\n", 11)));
}

} // namespace
} // namespace qv
