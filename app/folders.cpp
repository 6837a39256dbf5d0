#include "app/folders.h"

#include <windows.h>

namespace {

constexpr size_t kMaxFolderPath = 260;

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A file in the way is a failure, not an existing folder. A folder made by someone else
// between the check and the creation counts as made.
bool EnsureFolder(const std::wstring& path) {
  if (IsFolder(path)) return true;
  return ::CreateDirectoryW(path.c_str(), nullptr) || IsFolder(path);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

// An empty path names no folder, so it cannot have been made.
bool CreateFolderTree(const std::wstring& path) {
  if (path.empty() || path.size() > kMaxFolderPath) return false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsSeparator(path[i]) && !EnsureFolder(path.substr(0, i + 1))) return false;
  }
  if (!IsSeparator(path.back())) return EnsureFolder(path);
  return true;
}

std::wstring GetInstallerTempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return {};
  const std::wstring folder = std::wstring(temp, length) + L"~TolvarTemp.92482B06FB471E17\\";
  if (!EnsureFolder(folder)) return {};
  return folder;
}
