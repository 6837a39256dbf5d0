// Conversions between UTF-16 and 8-bit code pages (0 = the system ANSI code page, 65001 =
// UTF-8). Unmappable characters get no default character. Failure gives the empty string.
#pragma once

#include <string>

std::wstring MultiByteToWide(const std::string& text, unsigned code_page);
std::wstring MultiByteToWide(const char* bytes, size_t length, unsigned code_page);
std::string WideToMultiByte(const std::wstring& text, unsigned code_page);
