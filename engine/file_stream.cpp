#include "engine/file_stream.h"

#include <vector>

#include "engine/scoped_c_file.h"

namespace {

constexpr size_t kBlockSize = 4 << 20;

// Calls `take` with every block of the file; false when the file cannot be read to its end or
// `take` refuses a block.
template <typename Take>
bool ForEachBlock(const std::string& path, Take take) {
  ScopedCFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  std::vector<char> block(kBlockSize);
  for (;;) {
    const size_t read = std::fread(block.data(), 1, block.size(), file.get());
    if (read > 0 && !take(block.data(), read)) return false;
    if (read < block.size()) return std::ferror(file.get()) == 0;
  }
}

}  // namespace

int64_t HashFileInto(const std::string& path, Md5* digest) {
  int64_t total = 0;
  const bool read_whole = ForEachBlock(path, [&](const char* data, size_t size) {
    digest->Update(data, size);
    total += static_cast<int64_t>(size);
    return true;
  });
  return read_whole ? total : -1;
}

bool AppendFileTo(FILE* to, const std::string& from, Md5* digest) {
  return ForEachBlock(from, [&](const char* data, size_t size) {
    if (digest != nullptr) digest->Update(data, size);
    return std::fwrite(data, 1, size, to) == size;
  });
}
