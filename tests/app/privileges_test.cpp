#include "app/privileges.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// The tests run in the console session as its user.
TEST(PrivilegesTest, ConsoleUserIsTheUserRunningTheTests) {
  wchar_t user[256] = {};
  DWORD size = 256;
  ASSERT_TRUE(::GetUserNameW(user, &size));
  std::wstring name = L"unchanged";
  ASSERT_TRUE(GetConsoleUserName(&name));
  EXPECT_EQ(name, user);
}

// The tests' Wine prefix gives every process an administrator token, as an elevated
// installer has. (Wine reports every account's level as guest, so IsConsoleUserAdmin has
// nothing to compare with here.)
TEST(PrivilegesTest, ElevatedProcessIsInTheAdministratorsGroup) {
  EXPECT_TRUE(IsProcessInAdminGroup());
}

}  // namespace
