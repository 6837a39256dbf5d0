#include "app/md5.h"

#include <algorithm>
#include <cstring>

// The rounds are written out in full: shifts and additive constants become immediate
// operands and the four state words stay in registers. FileMd5Hex on large packages is as
// fast as the system's md5sum this way (bench/md5).
namespace {

inline uint32_t Load(const uint8_t* bytes) {
  // Windows runs little-endian only, so the word is the bytes as they are.
  uint32_t word;
  std::memcpy(&word, bytes, sizeof(word));
  return word;
}

inline uint32_t Rotate(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline void F(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = b + Rotate(a + (d ^ (b & (c ^ d))) + x + t, s);
}
// (b & d) and (c & ~d) share no bits, so adding them separately equals their or.
inline void G(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = b + Rotate(a + (c & ~d) + x + t + (b & d), s);
}
inline void H(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = b + Rotate(a + (b ^ c ^ d) + x + t, s);
}
inline void I(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a = b + Rotate(a + (c ^ (b | ~d)) + x + t, s);
}

void CompressBlock(uint32_t state[4], const uint8_t* p) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

  F(a, b, c, d, Load(p + 0), 7, 0xd76aa478);
  F(d, a, b, c, Load(p + 4), 12, 0xe8c7b756);
  F(c, d, a, b, Load(p + 8), 17, 0x242070db);
  F(b, c, d, a, Load(p + 12), 22, 0xc1bdceee);
  F(a, b, c, d, Load(p + 16), 7, 0xf57c0faf);
  F(d, a, b, c, Load(p + 20), 12, 0x4787c62a);
  F(c, d, a, b, Load(p + 24), 17, 0xa8304613);
  F(b, c, d, a, Load(p + 28), 22, 0xfd469501);
  F(a, b, c, d, Load(p + 32), 7, 0x698098d8);
  F(d, a, b, c, Load(p + 36), 12, 0x8b44f7af);
  F(c, d, a, b, Load(p + 40), 17, 0xffff5bb1);
  F(b, c, d, a, Load(p + 44), 22, 0x895cd7be);
  F(a, b, c, d, Load(p + 48), 7, 0x6b901122);
  F(d, a, b, c, Load(p + 52), 12, 0xfd987193);
  F(c, d, a, b, Load(p + 56), 17, 0xa679438e);
  F(b, c, d, a, Load(p + 60), 22, 0x49b40821);

  G(a, b, c, d, Load(p + 4), 5, 0xf61e2562);
  G(d, a, b, c, Load(p + 24), 9, 0xc040b340);
  G(c, d, a, b, Load(p + 44), 14, 0x265e5a51);
  G(b, c, d, a, Load(p + 0), 20, 0xe9b6c7aa);
  G(a, b, c, d, Load(p + 20), 5, 0xd62f105d);
  G(d, a, b, c, Load(p + 40), 9, 0x02441453);
  G(c, d, a, b, Load(p + 60), 14, 0xd8a1e681);
  G(b, c, d, a, Load(p + 16), 20, 0xe7d3fbc8);
  G(a, b, c, d, Load(p + 36), 5, 0x21e1cde6);
  G(d, a, b, c, Load(p + 56), 9, 0xc33707d6);
  G(c, d, a, b, Load(p + 12), 14, 0xf4d50d87);
  G(b, c, d, a, Load(p + 32), 20, 0x455a14ed);
  G(a, b, c, d, Load(p + 52), 5, 0xa9e3e905);
  G(d, a, b, c, Load(p + 8), 9, 0xfcefa3f8);
  G(c, d, a, b, Load(p + 28), 14, 0x676f02d9);
  G(b, c, d, a, Load(p + 48), 20, 0x8d2a4c8a);

  H(a, b, c, d, Load(p + 20), 4, 0xfffa3942);
  H(d, a, b, c, Load(p + 32), 11, 0x8771f681);
  H(c, d, a, b, Load(p + 44), 16, 0x6d9d6122);
  H(b, c, d, a, Load(p + 56), 23, 0xfde5380c);
  H(a, b, c, d, Load(p + 4), 4, 0xa4beea44);
  H(d, a, b, c, Load(p + 16), 11, 0x4bdecfa9);
  H(c, d, a, b, Load(p + 28), 16, 0xf6bb4b60);
  H(b, c, d, a, Load(p + 40), 23, 0xbebfbc70);
  H(a, b, c, d, Load(p + 52), 4, 0x289b7ec6);
  H(d, a, b, c, Load(p + 0), 11, 0xeaa127fa);
  H(c, d, a, b, Load(p + 12), 16, 0xd4ef3085);
  H(b, c, d, a, Load(p + 24), 23, 0x04881d05);
  H(a, b, c, d, Load(p + 36), 4, 0xd9d4d039);
  H(d, a, b, c, Load(p + 48), 11, 0xe6db99e5);
  H(c, d, a, b, Load(p + 60), 16, 0x1fa27cf8);
  H(b, c, d, a, Load(p + 8), 23, 0xc4ac5665);

  I(a, b, c, d, Load(p + 0), 6, 0xf4292244);
  I(d, a, b, c, Load(p + 28), 10, 0x432aff97);
  I(c, d, a, b, Load(p + 56), 15, 0xab9423a7);
  I(b, c, d, a, Load(p + 20), 21, 0xfc93a039);
  I(a, b, c, d, Load(p + 48), 6, 0x655b59c3);
  I(d, a, b, c, Load(p + 12), 10, 0x8f0ccc92);
  I(c, d, a, b, Load(p + 40), 15, 0xffeff47d);
  I(b, c, d, a, Load(p + 4), 21, 0x85845dd1);
  I(a, b, c, d, Load(p + 32), 6, 0x6fa87e4f);
  I(d, a, b, c, Load(p + 60), 10, 0xfe2ce6e0);
  I(c, d, a, b, Load(p + 24), 15, 0xa3014314);
  I(b, c, d, a, Load(p + 52), 21, 0x4e0811a1);
  I(a, b, c, d, Load(p + 16), 6, 0xf7537e82);
  I(d, a, b, c, Load(p + 44), 10, 0xbd3af235);
  I(c, d, a, b, Load(p + 8), 15, 0x2ad7d2bb);
  I(b, c, d, a, Load(p + 36), 21, 0xeb86d391);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

void Md5::Compress(const uint8_t* blocks, size_t count) {
  for (size_t i = 0; i < count; ++i) CompressBlock(state_, blocks + 64 * i);
}

void Md5::Update(const void* data, size_t size) {
  if (size == 0) return;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  length_ += size;
  if (pending_size_ > 0) {
    const size_t taken = std::min(size, sizeof(pending_) - pending_size_);
    std::memcpy(pending_ + pending_size_, bytes, taken);
    pending_size_ += taken;
    bytes += taken;
    size -= taken;
    if (pending_size_ < sizeof(pending_)) return;
    Compress(pending_, 1);
    pending_size_ = 0;
  }
  // Whole blocks are digested where they lie, without a copy.
  Compress(bytes, size / 64);
  pending_size_ = size % 64;
  std::memcpy(pending_, bytes + size - pending_size_, pending_size_);
}

Md5::Digest Md5::Final() {
  const uint64_t bit_length = length_ * 8;
  uint8_t padding[72] = {0x80};
  const size_t padding_size = (pending_size_ < 56 ? 56 : 120) - pending_size_;
  for (int i = 0; i < 8; ++i) {
    padding[padding_size + i] = static_cast<uint8_t>(bit_length >> (8 * i));
  }
  Update(padding, padding_size + 8);
  Digest digest;
  for (int i = 0; i < 16; ++i) {
    digest[i] = static_cast<uint8_t>(state_[i / 4] >> (8 * (i % 4)));
  }
  return digest;
}
