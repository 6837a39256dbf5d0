#pragma once

#include <string>

// A new GUID as 32 hexadecimal characters without separators; the third group lower case.
std::wstring NewGuidString();
