#include "tests/support/temp_folder.h"

#include <windows.h>

#include <atomic>

#include "app/scoped_handle.h"

namespace {

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
using ScopedFind = ScopedObject<FindHandleTraits>;

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  ScopedFind search(::FindFirstFileW((folder + L"*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + name + L"\\");
      } else {
        ::SetFileAttributesW((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW((folder + name).c_str());
      }
    } while (::FindNextFileW(search.get(), &found));
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScopedTempFolder::ScopedTempFolder() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp) + L"nimbrel_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
          std::to_wstring(++counter) + L"\\";
  RemoveTree(path_);
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScopedTempFolder::~ScopedTempFolder() { RemoveTree(path_); }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}
