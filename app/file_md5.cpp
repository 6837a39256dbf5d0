#include "app/file_md5.h"

#include <windows.h>

#include <vector>

#include "app/md5.h"
#include "app/scoped_handle.h"

namespace {

// Large reads keep the digest, not the file system, the limit on multi-gigabyte packages.
constexpr DWORD kReadBlockSize = 1 << 20;

}  // namespace

// A read error part way is no digest at all: a digest of the part read would compare as
// a wrong but plausible value.
std::string FileMd5Hex(const std::string& path) {
  if (path.empty()) return {};
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  std::vector<uint8_t> block(kReadBlockSize);
  Md5 md5;
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), block.data(), kReadBlockSize, &read, nullptr)) return {};
    if (read == 0) break;
    md5.Update(block.data(), read);
  }
  return DigestHex(md5.Final());
}

std::string DigestHex(const Md5::Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}
