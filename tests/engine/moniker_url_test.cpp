#include "engine/moniker_url.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MonikerUrlCase {
  std::wstring url;
  std::wstring expected;
};

class MonikerUrlTest : public ::testing::TestWithParam<MonikerUrlCase> {};

TEST_P(MonikerUrlTest, EncodesEveryByteOutsidePrintableAscii) {
  EXPECT_EQ(MonikerUrl(GetParam().url), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, MonikerUrlTest,
    ::testing::Values(
        MonikerUrlCase{L"http://h/a?b=c&d=%41#x~", L"http://h/a?b=c&d=%41#x~"},
        MonikerUrlCase{L"http://h/a b", L"http://h/a+b"},
        // 文 is E6 96 87 in UTF-8; é is C3 A9.
        MonikerUrlCase{L"http://h/\u6587/\u00e9.exe", L"http://h/%E6%96%87/%C3%A9.exe"},
        MonikerUrlCase{L"http://h/\t\x7f", L"http://h/%09%7F"},
        // Local files are handed over as they are, spaces and all.
        MonikerUrlCase{L"file:///C:/a b/\u6587.exe", L"file:///C:/a b/\u6587.exe"}));

}  // namespace
