#include "engine/http_header.h"

#include <cwchar>
#include <cwctype>

std::wstring HeaderValue(const wchar_t* headers, const std::wstring& name) {
  if (headers == nullptr) return {};
  const std::wstring text(headers);
  for (size_t line = 0; line < text.size();) {
    size_t end = text.find(L"\r\n", line);
    if (end == std::wstring::npos) end = text.size();
    if (end - line > name.size() && text[line + name.size()] == L':' &&
        _wcsnicmp(text.c_str() + line, name.c_str(), name.size()) == 0) {
      size_t value = line + name.size() + 1;
      while (value < end && std::iswspace(text[value])) ++value;
      return text.substr(value, end - value);
    }
    line = end + 2;
  }
  return {};
}

int64_t AnnouncedBodyLength(const wchar_t* headers) {
  if (!HeaderValue(headers, L"Content-Encoding").empty()) return -1;
  const std::wstring length = HeaderValue(headers, L"Content-Length");
  if (length.empty() || length.size() > 18) return -1;
  if (length.find_first_not_of(L"0123456789") != std::wstring::npos) return -1;
  return static_cast<int64_t>(std::wcstoll(length.c_str(), nullptr, 10));
}
