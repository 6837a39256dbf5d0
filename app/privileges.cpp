#include "app/privileges.h"

#include <windows.h>

#include <lm.h>
#include <wtsapi32.h>

#include "app/scoped_handle.h"

namespace {

struct WtsMemoryTraits {
  using Handle = LPWSTR;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::WTSFreeMemory(h); }
};

struct NetApiBufferTraits {
  using Handle = LPBYTE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::NetApiBufferFree(h); }
};

struct SidTraits {
  using Handle = PSID;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeSid(h); }
};

}  // namespace

bool GetConsoleUserName(std::wstring* name) {
  const DWORD session = ::WTSGetActiveConsoleSessionId();
  ScopedObject<WtsMemoryTraits> user;
  DWORD bytes = 0;
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName,
                                     user.receive(), &bytes)) {
    return false;
  }
  *name = user.get();
  return true;
}

bool IsConsoleUserAdmin() {
  std::wstring name;
  GetConsoleUserName(&name);
  ScopedObject<NetApiBufferTraits> info;
  if (::NetUserGetInfo(nullptr, name.c_str(), 1, info.receive()) != NERR_Success || !info) {
    return false;
  }
  return reinterpret_cast<const USER_INFO_1*>(info.get())->usri1_priv == USER_PRIV_ADMIN;
}

bool IsProcessInAdminGroup() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  ScopedObject<SidTraits> administrators;
  if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.receive())) {
    return false;
  }
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, administrators.get(), &member)) return false;
  return member != FALSE;
}
