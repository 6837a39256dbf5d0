#include "tests/support/file_bytes.h"

#include <windows.h>

#include <fstream>
#include <iterator>

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ByteDifference(const std::string& actual, const std::string& expected) {
  if (actual == expected) return {};
  size_t offset = 0;
  while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset]) {
    ++offset;
  }
  return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
         ", first difference at offset " + std::to_string(offset);
}
