// Operating-system queries.
#pragma once

#include <string>

struct OsVersionName {
  std::wstring family;   // always "Windows"
  std::wstring version;  // "XP", "7", "10", "10+", ... or "major.minor.build"
};

OsVersionName GetOsVersionName();
bool IsWow64System();
