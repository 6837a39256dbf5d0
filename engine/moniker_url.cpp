#include "engine/moniker_url.h"

#include <windows.h>

#include "app/text_encoding.h"

std::wstring MonikerUrl(const std::wstring& url) {
  if (url.compare(0, 8, L"file:///") == 0) return url;
  static const char kHexDigits[] = "0123456789ABCDEF";
  std::string encoded;
  for (const unsigned char byte : WideToMultiByte(url, CP_UTF8)) {
    if (byte >= 0x21 && byte <= 0x7E) {
      encoded += static_cast<char>(byte);
    } else if (byte == ' ') {
      encoded += '+';
    } else {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    }
  }
  return MultiByteToWide(encoded, CP_UTF8);
}
