#include "app/file_md5.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/md5.h"
#include "app/text_encoding.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Hex(const Md5::Digest& digest) {
  std::string text;
  char pair[3];
  for (uint8_t byte : digest) {
    std::snprintf(pair, sizeof(pair), "%02x", byte);
    text += pair;
  }
  return text;
}

struct DigestCase {
  std::string message;
  std::string digest;
};

// The test suite of RFC 1321, fed whole and in uneven pieces that straddle block borders.
TEST(Md5Test, PublishedDigestsWholeAndInPieces) {
  const DigestCase cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const DigestCase& c : cases) {
    Md5 whole;
    whole.Update(c.message.data(), c.message.size());
    EXPECT_EQ(Hex(whole.Final()), c.digest) << c.message.substr(0, 20);

    Md5 pieces;
    for (size_t at = 0, piece = 1; at < c.message.size(); at += piece, piece = piece * 3 % 97 + 1) {
      pieces.Update(c.message.data() + at, std::min(piece, c.message.size() - at));
    }
    EXPECT_EQ(Hex(pieces.Final()), c.digest) << c.message.substr(0, 20);
  }
}

// Padding moves to a second block from 56 bytes on.
TEST(Md5Test, PaddingBorders) {
  const DigestCase cases[] = {
      {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
      {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
      {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
  };
  for (const DigestCase& c : cases) {
    Md5 md5;
    md5.Update(c.message.data(), c.message.size());
    EXPECT_EQ(Hex(md5.Final()), c.digest) << c.message.size();
  }
}

class FileMd5Test : public ::testing::Test {
 protected:
  std::string Write(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = folder_.path() + name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return WideToMultiByte(path, CP_ACP);
  }
  ScopedTempFolder folder_;
};

TEST_F(FileMd5Test, DigestsEmptySmallAndMultiBlockFiles) {
  std::string large(3 * 1048576 + 1000, '\0');
  for (size_t i = 0; i < large.size(); ++i) {
    large[i] = static_cast<char>((i * 131 + (i >> 11)) & 0xff);
  }
  EXPECT_EQ(FileMd5Hex(Write(L"empty.bin", "")), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(FileMd5Hex(Write(L"small.bin", "abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(FileMd5Hex(Write(L"large.bin", large)), "94c541970e2081305375053f5ce6d6dc");
}

TEST_F(FileMd5Test, UnreadablePathsGiveEmptyText) {
  const std::string folder = WideToMultiByte(folder_.path(), CP_ACP);
  EXPECT_EQ(FileMd5Hex(""), "");
  EXPECT_EQ(FileMd5Hex(folder + "missing.bin"), "");
  EXPECT_EQ(FileMd5Hex(folder), "");
}

}  // namespace
