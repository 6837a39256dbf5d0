#include "app/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// The counting pass of the wide formatter; a negative result counts as -1.
int CountFormatted(const wchar_t* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = _vscwprintf(format, copy);
  va_end(copy);
  return length < 0 ? -1 : length;
}

}  // namespace

void DebugLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const size_t capacity = static_cast<size_t>(CountFormatted(format, args) + 2);
  std::unique_ptr<wchar_t[]> line(new (std::nothrow) wchar_t[capacity]);
  if (line) {
    _vsnwprintf(line.get(), capacity, format, args);
    line[capacity - 1] = L'\0';
    ::OutputDebugStringW(line.get());
  }
  va_end(args);
}
