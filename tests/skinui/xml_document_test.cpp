// The markup parser: whole documents in, whole trees or exact errors out.
#include "skinui/xml_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skinui/skin_test_support.h"
#include "tests/skinui/xml_test_support.h"

namespace {

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;
using SkinUI::XmlEncoding;
using skin_test::DescribeTree;

struct ParseCase {
  const wchar_t* text;
  const wchar_t* tree;                // expected tree, or null when the load fails
  const wchar_t* message = nullptr;   // expected error message when it fails
  const wchar_t* location = nullptr;  // expected error location when it fails
};

const ParseCase kParseCases[] = {
    {L"<Window size=\"600,400\"><Label text=\"a\"/></Window>",
     L"Window[size=600,400]{Label[text=a]}"},
    // The text may end inside the root or inside one of its children...
    {L"<Window><A/><B x=\"1\"/>", L"Window{A B[x=1]}"},
    {L"<Window><A>text", L"Window{A}"},
    {L"<Window a=\"1\">text", L"Window[a=1]"},
    // ...but not among or inside the root's grandchildren.
    {L"<Window><A><B/>", nullptr, L"Expected start tag", L""},
    {L"<Window><A><B>text", nullptr, L"Expected end-tag start", L""},
    {L"<W><Control /><Control/><Control width=\"10\"/></W>",
     L"W{Control Control Control[width=10]}"},
    {L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- head --><W><!-- inside -->"
     L"<A/><?pi x?></W><!-- tail -->",
     L"W{A}"},
    {L"<W><!-- a <B/> in a comment is no element --></W>", L"W"},
    {L"<W t=\"&amp;&lt;&gt;&quot;&apos;\" u=\"&#10;\" v=\"&bogus; &amp\" w=\"&amp;&amp;\"/>",
     L"W[t=&<>\"',u=&#10;,v=&bogus; &amp,w=&&]"},
    // Shortened values leave the following attributes intact.
    {L"<W a=\"&lt;x&gt;\" b=\"2\" c=\"\" d = \"4\"/>", L"W[a=<x>,b=2,c=,d=4]"},
    {L"<W a=\"x>y<z/\"/>", L"W[a=x>y<z/]"},
    {L"<W></ W >", L"W"},
    {L"<A/><B/>", L"A B"},
    {L"", L""},
    {L"  \r\n\t", L""},
    {L"<W a='1'/>", nullptr, L"Expected attribute value", L"1'/>"},
    {L"<W a \"1\"/>", nullptr, L"Error while parsing attributes", L"\"1\"/>"},
    {L"<W a=\"1\" b>", nullptr, L"Error while parsing attributes", L">"},
    {L"<W a=\"1\" $>", nullptr, L"Error while parsing attributes", L"$>"},
    {L"<W a=\"1", nullptr, L"Error while parsing attribute string", L""},
    {L"<W a=", nullptr, L"Expected attribute value", L""},
    {L"<Window>", L"Window"},
    {L"<Window", nullptr, L"Error parsing element name", L""},
    {L"<W a=\"1\" / >", nullptr, L"Expected start-tag closing", L"/ >"},
    {L"<Window></Windows>", nullptr, L"Unmatched closing tag", L"s>"},
    {L"<Window></Window x>", nullptr, L"Unmatched closing tag", L"x>"},
    {L"<Window></Win>", nullptr, L"Unmatched closing tag", L"Win>"},
    {L"hello", nullptr, L"Expected start tag", L"hello"},
    {L"<W><A/>text</W>", nullptr, L"Expected start tag", L"text</W>"},
    {L"<W>x</W> y", nullptr, L"Expected start tag", L"y"},
    // The location holds at most 49 characters of the text.
    {L"<W>x</W> 0123456789012345678901234567890123456789012345678901234567890123456789",
     nullptr, L"Expected start tag", L"0123456789012345678901234567890123456789012345678"},
};

TEST(XmlDocumentTest, ParsesDocumentsIntoTreesOrExactErrors) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(testing::Message() << "document: " << testing::PrintToString(std::wstring(c.text)));
    CXmlDocument document;
    const bool loaded = document.LoadText(c.text);
    if (c.tree) {
      ASSERT_TRUE(loaded) << testing::PrintToString(std::wstring(document.ErrorMessage()));
      EXPECT_EQ(DescribeTree(document), c.tree);
      EXPECT_STREQ(document.ErrorMessage(), L"");
    } else {
      ASSERT_FALSE(loaded);
      EXPECT_STREQ(document.ErrorMessage(), c.message);
      EXPECT_STREQ(document.ErrorLocation(), c.location);
      EXPECT_FALSE(document.Root().IsValid());
      EXPECT_EQ(document.Text(), nullptr);
    }
  }
}

std::wstring Repeat(const std::wstring& part, int count) {
  std::wstring text;
  for (int i = 0; i < count; ++i) text += part;
  return text;
}

TEST(XmlDocumentTest, ShowsTheFirst64Of70Attributes) {
  std::wstring text = L"<W";
  for (int i = 0; i < 70; ++i) text += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  text += L"/>";
  CXmlDocument document;
  ASSERT_TRUE(document.LoadText(text.c_str()));
  const CXmlNode root = document.Root();
  EXPECT_EQ(root.AttributeCount(), 64);
  EXPECT_STREQ(root.AttributeName(63), L"a63");
  EXPECT_STREQ(root.AttributeValue(63), L"v63");
  EXPECT_STREQ(root.AttributeName(64), L"");
  EXPECT_STREQ(root.AttributeValue(-1), L"");
  wchar_t value[8] = {};
  EXPECT_TRUE(root.FindAttribute(L"a63", value, 7));
  EXPECT_FALSE(root.FindAttribute(L"a64", value, 7));
}

TEST(XmlDocumentTest, FindAttributeCopiesLikeWcsncpy) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadText(L"<W name=\"abcdef\" Name=\"x\"/>"));
  const CXmlNode root = document.Root();
  wchar_t buffer[10];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  ASSERT_TRUE(root.FindAttribute(L"name", buffer, 3));
  EXPECT_EQ(std::wstring(buffer, 4), L"abc#");  // a longer value stays unterminated
  ASSERT_TRUE(root.FindAttribute(L"name", buffer, 9));
  EXPECT_EQ(std::wstring(buffer, 9), std::wstring(L"abcdef\0\0\0", 9));
  ASSERT_TRUE(root.FindAttribute(L"Name", buffer, 9));  // names are case-sensitive
  EXPECT_STREQ(buffer, L"x");
  EXPECT_FALSE(root.FindAttribute(L"NAME", buffer, 9));
}

TEST(XmlDocumentTest, InvalidNodesAnswerWithNullsAndZeros) {
  const CXmlNode node;
  EXPECT_FALSE(node.IsValid());
  EXPECT_EQ(node.Name(), nullptr);
  EXPECT_EQ(node.AttributeName(0), nullptr);
  EXPECT_EQ(node.AttributeValue(0), nullptr);
  EXPECT_EQ(node.AttributeCount(), 0);
  EXPECT_FALSE(node.HasChildren());
  EXPECT_FALSE(node.FirstChild().IsValid());
  EXPECT_FALSE(node.NextSibling().IsValid());
  wchar_t buffer[4] = {};
  EXPECT_FALSE(node.FindAttribute(L"a", buffer, 3));
}

TEST(XmlDocumentTest, ElementTableGrowsAcrossManySiblings) {
  const std::wstring text = L"<W>" + Repeat(L"<A n=\"1\"/>", 2000) + L"</W>";
  CXmlDocument document;
  ASSERT_TRUE(document.LoadText(text.c_str()));
  int count = 0;
  for (CXmlNode node = document.Root().FirstChild(); node.IsValid(); node = node.NextSibling()) {
    ASSERT_STREQ(node.AttributeValue(0), L"1");
    ++count;
  }
  EXPECT_EQ(count, 2000);
}

TEST(XmlDocumentTest, RefusesNestingDeeperThanAThousandLevels) {
  CXmlDocument document;
  const std::wstring deepest = Repeat(L"<a>", 1001) + Repeat(L"</a>", 1001);
  EXPECT_TRUE(document.LoadText(deepest.c_str()));
  const std::wstring too_deep = Repeat(L"<a>", 1002) + Repeat(L"</a>", 1002);
  EXPECT_FALSE(document.LoadText(too_deep.c_str()));
  EXPECT_STREQ(document.ErrorMessage(), L"Elements nested too deeply");
}

TEST(XmlDocumentTest, EveryLoadReplacesWhatTheDocumentHeld) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadText(L"<A/>"));
  ASSERT_FALSE(document.LoadText(L"<B"));
  EXPECT_FALSE(document.Root().IsValid());
  ASSERT_TRUE(document.LoadText(L"<C/>"));
  EXPECT_STREQ(document.ErrorMessage(), L"");
  EXPECT_EQ(DescribeTree(document), L"C");
  document.Release();
  EXPECT_FALSE(document.Root().IsValid());
  EXPECT_EQ(document.ElementCount(), 0);
}

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

std::vector<unsigned char> Utf16Bytes(const std::wstring& text, bool big_endian) {
  std::vector<unsigned char> bytes = big_endian ? Bytes("\xFE\xFF") : Bytes("\xFF\xFE");
  for (wchar_t ch : text) {
    const unsigned char high = static_cast<unsigned char>(ch >> 8);
    const unsigned char low = static_cast<unsigned char>(ch & 0xFF);
    bytes.push_back(big_endian ? high : low);
    bytes.push_back(big_endian ? low : high);
  }
  return bytes;
}

TEST(XmlDocumentTest, LoadsEveryEncodingIntoTheSameTree) {
  const std::wstring text = L"<Window title=\"尼布瑞尔\"><Label/></Window>";
  const std::string utf8 = "<Window title=\"\xE5\xB0\xBC\xE5\xB8\x83\xE7\x91\x9E\xE5\xB0\x94\">"
                           "<Label/></Window>";
  struct EncodingCase {
    const char* name;
    std::vector<unsigned char> bytes;
    XmlEncoding encoding;
  };
  const EncodingCase cases[] = {
      {"utf-8", Bytes(utf8), XmlEncoding::Utf8},
      {"utf-8 with mark", Bytes("\xEF\xBB\xBF" + utf8), XmlEncoding::Utf8},
      {"utf-16 little-endian", Utf16Bytes(text, false), XmlEncoding::Utf16},
      {"utf-16 big-endian", Utf16Bytes(text, true), XmlEncoding::Utf16},
      {"utf-16 with a stray odd byte", [&] {
         auto bytes = Utf16Bytes(text, false);
         bytes.push_back('x');
         return bytes;
       }(), static_cast<XmlEncoding>(7)},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    CXmlDocument document;
    ASSERT_TRUE(document.LoadBytes(c.bytes.data(), c.bytes.size(), c.encoding))
        << testing::PrintToString(std::wstring(document.ErrorMessage()));
    EXPECT_EQ(DescribeTree(document), L"Window[title=尼布瑞尔]{Label}");
  }
  CXmlDocument ansi;
  const std::string plain = "<Window title=\"Nimbrel\"/>";
  ASSERT_TRUE(ansi.LoadBytes(plain.data(), plain.size(), XmlEncoding::Ansi));
  EXPECT_EQ(DescribeTree(ansi), L"Window[title=Nimbrel]");
}

TEST(XmlDocumentTest, RefusesUtf16WithoutByteOrderMark) {
  std::vector<unsigned char> bytes = Utf16Bytes(L"<W/>", false);
  bytes.erase(bytes.begin(), bytes.begin() + 2);
  CXmlDocument document;
  EXPECT_FALSE(document.LoadBytes(bytes.data(), bytes.size(), XmlEncoding::Utf16));
  EXPECT_STRNE(document.ErrorMessage(), L"");
  EXPECT_FALSE(document.LoadBytes(bytes.data(), 1, XmlEncoding::Utf16));
}

TEST(XmlDocumentTest, AZeroByteEndsTheText) {
  const std::string text("<W/>\0<garbage", 13);
  CXmlDocument document;
  ASSERT_TRUE(document.LoadBytes(text.data(), text.size()));
  EXPECT_EQ(DescribeTree(document), L"W");
}

class XmlFileTest : public skin_test::SkinSettingsTest {};

TEST_F(XmlFileTest, LoadsMarkupUpToFourMebibytes) {
  UseFolder(skin_test::FixturePath(L"big\\"));
  CXmlDocument document;
  EXPECT_TRUE(document.LoadFile(L"limit.xml")) << testing::PrintToString(std::wstring(document.ErrorMessage()));
  EXPECT_EQ(DescribeTree(document), L"Window");
  EXPECT_FALSE(document.LoadFile(L"over_limit.xml"));
  EXPECT_STREQ(document.ErrorMessage(), L"File too large");
  EXPECT_STREQ(document.ErrorLocation(), L"");
}

}  // namespace
