#include "engine/http_header.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HttpHeaderTest, FindsValuesByNameInAnyCase) {
  const wchar_t* headers =
      L"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
      L"content-length:  2097152\r\nX-Content-Length: 5\r\n\r\n";
  EXPECT_EQ(HeaderValue(headers, L"Content-Type"), L"application/octet-stream");
  EXPECT_EQ(HeaderValue(headers, L"Content-Length"), L"2097152");
  EXPECT_EQ(HeaderValue(headers, L"Length"), L"");
  EXPECT_EQ(HeaderValue(nullptr, L"Content-Length"), L"");
}

TEST(HttpHeaderTest, BodyLengthIsKnownOnlyForUnencodedBodies) {
  const struct {
    const wchar_t* headers;
    int64_t length;
  } cases[] = {
      {L"HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\n", 1048576},
      {L"HTTP/1.1 200 OK\r\nContent-Length: 0", 0},
      {L"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n", -1},
      {L"HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 100\r\n", -1},
      {L"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n", -1},
      {L"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnnouncedBodyLength(c.headers), c.length) << c.headers;
  }
}

}  // namespace
