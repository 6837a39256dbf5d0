// Writes a fixed set of diagnostic lines; the log writer tests read them as a debugger would.
#include <string>

#include "app/debug_log.h"

int wmain() {
  LogLine(L"Emitter::Main", 42, L"hello %s %d\r\n", L"world", 7);
  LogLine(L"Emitter::Long", 7, L"%s\r\n", std::wstring(10000, L'x').c_str());
  LogLine(L"Utils::CheckNetwork", 245, L"GetConnectivity %d", 0);
  const std::wstring format = std::wstring(kDebugLogPrefix) + L"wide ids\r\n";
  DebugLog(format.c_str(), 1234567, 98765432, 2026, 12, 11, 3, 4, 5, 6, L"Emitter::Wide", 123456);
  return 0;
}
