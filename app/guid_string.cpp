#include "app/guid_string.h"

#include <windows.h>

#include <objbase.h>

#include <cwchar>

// The third group in lower case is the established form of these ids; keep it.
std::wstring NewGuidString() {
  GUID guid = {};
  if (FAILED(::CoCreateGuid(&guid))) return {};
  wchar_t text[33] = {};
  std::swprintf(text, 33, L"%08lX%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}
