#include "engine/url_md5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct UrlMd5Case {
  std::string url;
  std::string expected;
};

class UrlMd5Test : public ::testing::TestWithParam<UrlMd5Case> {};

TEST_P(UrlMd5Test, TakesTheSecondToLastPathSegment) {
  EXPECT_EQ(UrlMd5(GetParam().url), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlMd5Test,
    ::testing::Values(
        UrlMd5Case{"http://h/soft/0123456789abcdef0123456789abcdef/setup.exe",
                   "0123456789abcdef0123456789abcdef"},
        UrlMd5Case{"http://h/a/b/", "b"},          // a trailing "/" ends the last segment
        UrlMd5Case{"http://h/setup.exe", "h"},     // the host counts as a segment
        UrlMd5Case{"http://h//setup.exe", ""},     // an empty segment
        UrlMd5Case{"a/b", ""},                     // fewer than two "/"
        UrlMd5Case{"/b", ""},
        UrlMd5Case{"", ""}));

}  // namespace
