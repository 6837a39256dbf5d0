// MD5 message digest (RFC 1321), fed in pieces of any size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class Md5 {
 public:
  using Digest = std::array<uint8_t, 16>;

  void Update(const void* data, size_t size);
  Digest Final();  // the object is spent afterwards

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t pending_[64] = {};
  size_t pending_size_ = 0;
};
