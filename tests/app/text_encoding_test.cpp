#include "app/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EncodingCase {
  unsigned code_page;
  std::string bytes;
  std::wstring text;
};

class TextEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TextEncodingTest, ConvertsBothWays) {
  const EncodingCase& c = GetParam();
  EXPECT_EQ(MultiByteToWide(c.bytes, c.code_page), c.text);
  EXPECT_EQ(WideToMultiByte(c.text, c.code_page), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, TextEncodingTest,
    ::testing::Values(EncodingCase{65001, "", L""},
                      EncodingCase{65001, "Nimbrel 1.7.8", L"Nimbrel 1.7.8"},
                      EncodingCase{65001, "\xe5\xb0\xbc\xe5\xb8\x83\xe7\x91\x9e\xe5\xb0\x94",
                                   L"\x5c3c\x5e03\x745e\x5c14"},
                      EncodingCase{936, "\xc4\xe1\xb2\xbc\xc8\xf0\xb6\xfb",
                                   L"\x5c3c\x5e03\x745e\x5c14"},
                      EncodingCase{0, "C:\\Temp\\a.txt", L"C:\\Temp\\a.txt"}));

TEST(TextEncodingEdgesTest, LengthBoundedInputConvertsExactlyThoseBytes) {
  const char bytes[] =
      "ab\xe5\xb0\xbc"
      "cd";
  EXPECT_EQ(MultiByteToWide(bytes, 5, 65001), L"ab\x5c3c");
  EXPECT_EQ(MultiByteToWide(bytes, 0, 65001), L"");
}

TEST(TextEncodingEdgesTest, UnknownCodePageGivesEmptyText) {
  EXPECT_EQ(MultiByteToWide(std::string("abc"), 12345), L"");
  EXPECT_EQ(WideToMultiByte(L"abc", 12345), "");
}

}  // namespace
