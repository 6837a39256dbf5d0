#include "tools/demo_package/setup_switches.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

namespace {

std::vector<std::wstring> SplitArguments(const std::wstring& command_line) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(command_line.c_str(), &count);
  if (arguments == nullptr) return {};
  std::vector<std::wstring> split(arguments, arguments + count);
  ::LocalFree(arguments);
  return split;
}

}  // namespace

std::wstring TrailingSwitchValue(const std::wstring& command_line, const std::wstring& name) {
  const size_t at = command_line.rfind(L" " + name);
  if (at == std::wstring::npos) return {};
  std::wstring value = command_line.substr(at + 1 + name.size());
  const size_t end = value.find_last_not_of(L" \t");
  value.erase(end == std::wstring::npos ? 0 : end + 1);
  return value;
}

std::wstring ArgumentValue(const std::wstring& command_line, const std::wstring& name) {
  for (const std::wstring& argument : SplitArguments(command_line)) {
    if (argument.compare(0, name.size(), name) == 0) return argument.substr(name.size());
  }
  return {};
}

bool HasArgument(const std::wstring& command_line, const std::wstring& argument) {
  for (const std::wstring& each : SplitArguments(command_line)) {
    if (each == argument) return true;
  }
  return false;
}
