// Diagnostic lines for developers, written to the system debugger output only.
#pragma once

#include <windows.h>

#include <string>

// printf-style writer: formats with the C runtime's wide rules (%s takes a wide string) and
// hands the whole line to OutputDebugStringW. Sized by a counting pass, so any length fits.
void DebugLog(const wchar_t* format, ...);

// Every diagnostic line starts with this prefix; its arguments are the process id, thread id,
// local date and time, source name and line number of the call site.
inline constexpr wchar_t kDebugLogPrefix[] =
    L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: ";

// The call-site convention: takes the local time once, prefixes the message format and passes
// the prefix fields ahead of the message arguments. `source` and `line` are literals of the
// call site, e.g. LogLine(L"Utils::CheckNetwork", 245, L"GetConnectivity %d", flags).
template <typename... Args>
void LogLine(const wchar_t* source, int line, const wchar_t* message_format, Args... args) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const std::wstring format = std::wstring(kDebugLogPrefix) + message_format;
  DebugLog(format.c_str(), static_cast<int>(::GetCurrentProcessId()),
           static_cast<int>(::GetCurrentThreadId()), now.wYear, now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond, now.wMilliseconds, source, line, args...);
}
