#include "app/os_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct VersionCase {
  unsigned long major, minor, build;
  bool server_2003_r2;
  std::wstring version;
};

TEST(OsVersionNameTest, NamesByMajorAndMinor) {
  const VersionCase cases[] = {
      {0, 0, 0, false, L"XP-"},
      {4, 10, 1998, false, L"XP-"},
      {5, 0, 2195, false, L"2K"},
      {5, 1, 2600, false, L"XP"},
      {5, 2, 3790, false, L"Server 2003"},
      {5, 2, 3790, true, L"Server 2003 R2"},
      {5, 3, 0, false, L"XP+"},
      {6, 0, 6002, false, L"Vista"},
      {6, 1, 7601, false, L"7"},
      {6, 2, 9200, false, L"8"},
      {6, 3, 9600, false, L"8.1"},
      {6, 4, 0, false, L"8.1+"},
      {10, 0, 22631, false, L"10"},  // Windows 11 reports 10.0 too
      {10, 1, 0, false, L"10+"},
      {7, 0, 1, false, L"7.0.1"},
      {11, 0, 0xf0005a28, false, L"11.0.23080"},  // only the low 16 bits of the build
  };
  for (const VersionCase& c : cases) {
    const OsVersionName name = NameOsVersion(c.major, c.minor, c.build, c.server_2003_r2);
    EXPECT_EQ(name.family, L"Windows");
    EXPECT_EQ(name.version, c.version) << c.major << "." << c.minor;
  }
}

TEST(OsVersionNameTest, RunningSystemHasAName) {
  const OsVersionName name = GetOsVersionName();
  EXPECT_EQ(name.family, L"Windows");
  EXPECT_FALSE(name.version.empty());
}

// Only a 32-bit process can run under WOW64; the tests run the 64-bit build.
TEST(IsWow64SystemTest, NativeProcessIsNotWow64) {
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(IsWow64System());
  }
}

}  // namespace
