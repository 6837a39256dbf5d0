#include "app/text_encoding.h"

#include <windows.h>

#include <climits>
#include <cstring>

std::wstring MultiByteToWide(const char* bytes, size_t length, unsigned code_page) {
  if (length == 0 || length > INT_MAX) return {};
  const int source_length = static_cast<int>(length);
  const int size = ::MultiByteToWideChar(code_page, 0, bytes, source_length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<size_t>(size), L'\0');
  const int written = ::MultiByteToWideChar(code_page, 0, bytes, source_length, text.data(), size);
  if (written <= 0) return {};
  text.resize(static_cast<size_t>(written));
  return text;
}

// Like the system's own zero-terminated conversions, the text ends at its first zero byte.
std::wstring MultiByteToWide(const std::string& text, unsigned code_page) {
  return MultiByteToWide(text.c_str(), std::strlen(text.c_str()), code_page);
}

std::string WideToMultiByte(const std::wstring& text, unsigned code_page) {
  const size_t length = std::wcslen(text.c_str());
  if (length == 0 || length > INT_MAX) return {};
  const int source_length = static_cast<int>(length);
  const int size = ::WideCharToMultiByte(code_page, 0, text.c_str(), source_length, nullptr, 0,
                                         nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  const int written = ::WideCharToMultiByte(code_page, 0, text.c_str(), source_length, bytes.data(),
                                            size, nullptr, nullptr);
  if (written <= 0) return {};
  bytes.resize(static_cast<size_t>(written));
  return bytes;
}
