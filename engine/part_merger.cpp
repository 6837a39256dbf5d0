#include "engine/part_merger.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "app/scoped_handle.h"
#include "engine/runner_worker.h"

namespace {

constexpr int64_t kBlockSize = 4 << 20;
// While a part is still arriving, reads wait for at least this much: fewer, larger calls.
constexpr int64_t kSmallestRead = 1 << 20;

bool TruncateFile(const std::string& path, int64_t size) {
  const ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER end;
  end.QuadPart = size;
  return file && ::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) &&
         ::SetEndOfFile(file.get());
}

// Whether the whole range is in the part file; false when the part ended short of it or the
// download is being stopped.
bool WaitUntilComplete(const DownloadPartNode& part, const PartMerger::Wait& wait) {
  for (;;) {
    // `finished` before `in_file`: once the part has ended, its count is final.
    const bool ended = part.finished;
    if (part.in_file >= part.size) return true;
    if (ended || !wait()) return false;
  }
}

}  // namespace

PartMerger::PartMerger(const std::vector<std::unique_ptr<DownloadPartNode>>& parts, bool hashing)
    : hashing_(hashing) {
  for (const auto& part : parts) parts_.push_back(part.get());
}

bool PartMerger::Follow(const Wait& wait) {
  bool hashed = !hashing_;
  std::unique_ptr<Utils::Thread> hasher;
  const bool hashing_apart =
      hashing_ && StartRunnerWorker(&hasher, L"MTCurlHash", [&] { hashed = HashParts(wait); });
  const bool appended = AppendParts(wait);
  hasher.reset();
  if (hashing_ && !hashing_apart) hashed = appended && HashParts(wait);
  return appended && hashed;
}

bool PartMerger::HashParts(const Wait& wait) {
  std::vector<char> block(kBlockSize);
  const Sink hash = [this](const char* data, size_t size) {
    digest_.Update(data, size);
    return true;
  };
  for (const DownloadPartNode* part : parts_) {
    if (!FollowPart(*part, hash, &block, wait)) return false;
  }
  return true;
}

bool PartMerger::AppendParts(const Wait& wait) {
  if (!WaitUntilComplete(*parts_.front(), wait)) return false;
  if (parts_.size() == 1) return true;
  first_.reset(std::fopen(parts_.front()->partPath.c_str(), "ab"));
  if (!first_) return false;
  appended_ = true;
  std::vector<char> block(kBlockSize);
  const Sink append = [this](const char* data, size_t size) {
    return std::fwrite(data, 1, size, first_.get()) == size;
  };
  for (size_t i = 1; i < parts_.size(); ++i) {
    if (!FollowPart(*parts_[i], append, &block, wait)) return false;
  }
  return true;
}

bool PartMerger::FollowPart(const DownloadPartNode& part, const Sink& sink,
                            std::vector<char>* block, const Wait& wait) {
  ScopedCFile in(std::fopen(part.partPath.c_str(), "rb"));
  if (!in) return false;
  int64_t taken = 0;
  while (taken < part.size) {
    const bool ended = part.finished;
    const int64_t ready = std::min<int64_t>(part.in_file, part.size) - taken;
    if (ready > 0 && (ended || ready >= kSmallestRead || taken + ready == part.size)) {
      const size_t size = static_cast<size_t>(std::min<int64_t>(ready, kBlockSize));
      if (std::fread(block->data(), 1, size, in.get()) != size) return false;
      if (!sink(block->data(), size)) return false;
      taken += static_cast<int64_t>(size);
      continue;
    }
    if (ended || !wait()) return false;
  }
  return true;
}

bool PartMerger::Close() {
  if (!first_) return true;
  return std::fclose(first_.release()) == 0;
}

void PartMerger::Restore() {
  first_.reset();
  if (appended_) TruncateFile(parts_.front()->partPath, parts_.front()->size);
}
