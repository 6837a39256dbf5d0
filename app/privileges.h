// Who runs the installer and with which rights.
#pragma once

#include <string>

// User name of the active console session; false (name unchanged) when unavailable.
bool GetConsoleUserName(std::wstring* name);
// True when the console user's account has administrator privilege.
bool IsConsoleUserAdmin();
// True when the process token is a member of the built-in Administrators group.
bool IsProcessInAdminGroup();
