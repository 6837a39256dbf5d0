#include "app/guid_string.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

TEST(NewGuidStringTest, ThirtyTwoDigitsWithALowerCaseThirdGroup) {
  const std::wregex form(L"[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}");
  const std::wstring first = NewGuidString();
  const std::wstring second = NewGuidString();
  EXPECT_TRUE(std::regex_match(first, form)) << first.c_str();
  EXPECT_TRUE(std::regex_match(second, form)) << second.c_str();
  EXPECT_NE(first, second);
}

}  // namespace
