// Free space of a volume.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;

  // `path` names the volume, e.g. "C:". False (sizes unchanged) when the query fails.
  bool CheckFreeSpace(const std::wstring& path);

  uint64_t free_to_caller() const { return free_to_caller_; }
  uint64_t total() const { return total_; }
  uint64_t total_free() const { return total_free_; }

 private:
  uint64_t free_to_caller_ = 0;
  uint64_t total_ = 0;
  uint64_t total_free_ = 0;
};

}  // namespace Utils
