// Finds a running process by its executable file name.
#pragma once

#include <windows.h>

#include <string>

// Process id of the first running process whose executable name equals `name` exactly;
// 0 when none does or for the empty name.
DWORD FindProcessByName(const std::wstring& name);
