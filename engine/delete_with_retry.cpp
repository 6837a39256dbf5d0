#include "engine/delete_with_retry.h"

namespace {

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool IsInUse(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool DeleteFileWithRetry(const std::wstring& path, int attempts, DWORD pause_milliseconds,
                         const RetryPause& pause) {
  for (int attempt = 1;; ++attempt) {
    if (::DeleteFileW(path.c_str())) return true;
    const DWORD error = ::GetLastError();
    if (IsGone(error)) return true;
    if (!IsInUse(error) || attempt >= attempts) return false;
    pause(pause_milliseconds);
  }
}
