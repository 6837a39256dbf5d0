#include "app/hard_disk_manager.h"

#include <windows.h>

#include "app/debug_log.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& path) {
  ULARGE_INTEGER free_to_caller = {};
  ULARGE_INTEGER total = {};
  ULARGE_INTEGER total_free = {};
  if (!::GetDiskFreeSpaceExW(path.c_str(), &free_to_caller, &total, &total_free)) {
    LogLine(L"Utils::HardDiskManager::CheckFreeSpace", 35,
            L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n",
            static_cast<long>(::GetLastError()));
    return false;
  }
  free_to_caller_ = free_to_caller.QuadPart;
  total_ = total.QuadPart;
  total_free_ = total_free.QuadPart;
  return true;
}

}  // namespace Utils
