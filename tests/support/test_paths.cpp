#include "tests/support/test_paths.h"

#include <windows.h>

std::wstring ToolPath(const std::wstring& file_name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder + file_name;
}

std::wstring SourcePath(const std::wstring& relative_path) {
  return std::wstring(NIMBREL_SOURCE_DIR) + L"/" + relative_path;
}

std::wstring MissingDrive() {
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) return std::wstring(1, letter) + L":";
  }
  return L"";
}
