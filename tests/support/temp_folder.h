// A fresh folder under the temp folder for one test, removed with its contents afterwards.
#pragma once

#include <string>

class ScopedTempFolder {
 public:
  ScopedTempFolder();
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  // The folder with a trailing backslash.
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// Writes `bytes` to `path`, replacing the file; false when it cannot.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
