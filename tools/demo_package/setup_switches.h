// Reading the switches that the installer passes to a setup package or an uninstaller.
#pragma once

#include <string>

// The value of the switch `name` (e.g. L"/D=") when it ends the command line: everything
// after it up to the end, unquoted and possibly with spaces, as the switch requires.
std::wstring TrailingSwitchValue(const std::wstring& command_line, const std::wstring& name);

// The value of the argument that starts with `name` (e.g. L"-inslang="), quotes removed;
// empty when there is none.
std::wstring ArgumentValue(const std::wstring& command_line, const std::wstring& name);

// True when one argument is exactly `argument`.
bool HasArgument(const std::wstring& command_line, const std::wstring& argument);
