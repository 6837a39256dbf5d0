#include "tests/support/child_pid_file.h"

#include <cstdlib>

namespace {

DWORD ReadProcessId(const std::wstring& pid_file) {
  ScopedHandle file(::CreateFileW(pid_file.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  char digits[32] = {};
  DWORD read = 0;
  if (!::ReadFile(file.get(), digits, sizeof(digits) - 1, &read, nullptr)) return 0;
  return std::strtoul(digits, nullptr, 10);
}

}  // namespace

ScopedHandle OpenChildFromPidFile(const std::wstring& pid_file, DWORD time_limit_ms) {
  const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
  for (;;) {
    const DWORD id = ReadProcessId(pid_file);
    if (id != 0) {
      return ScopedHandle(
          ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id));
    }
    if (::GetTickCount64() >= deadline) return ScopedHandle();
    ::Sleep(10);
  }
}

bool EndsWithinOrKill(HANDLE process, DWORD time_limit_ms) {
  if (::WaitForSingleObject(process, time_limit_ms) == WAIT_OBJECT_0) return true;
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, time_limit_ms);
  return false;
}
