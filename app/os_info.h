// Operating-system queries.
#pragma once

#include <string>

struct OsVersionName {
  std::wstring family;   // always "Windows"
  std::wstring version;  // "XP", "7", "10", "10+", ... or "major.minor.build"
};

OsVersionName GetOsVersionName();
// The naming rule behind GetOsVersionName, for the given version numbers; only the low 16
// bits of the build count.
OsVersionName NameOsVersion(unsigned long major, unsigned long minor, unsigned long build,
                            bool server_2003_r2);
bool IsWow64System();
