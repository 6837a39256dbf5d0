#include "app/os_info.h"

#include <windows.h>

#include "app/scoped_handle.h"

namespace {

std::wstring VersionText(DWORD major, DWORD minor, bool server_2003_r2) {
  if (major <= 4) return L"XP-";
  if (major == 5) {
    if (minor == 0) return L"2K";
    if (minor == 1) return L"XP";
    if (minor == 2) return server_2003_r2 ? L"Server 2003 R2" : L"Server 2003";
    return L"XP+";
  }
  if (major == 6) {
    static const wchar_t* const kNames[] = {L"Vista", L"7", L"8", L"8.1"};
    return minor < 4 ? kNames[minor] : L"8.1+";
  }
  if (major == 10) return minor == 0 ? L"10" : L"10+";
  return L"";
}

}  // namespace

OsVersionName NameOsVersion(DWORD major, DWORD minor, DWORD build, bool server_2003_r2) {
  std::wstring version = VersionText(major, minor, server_2003_r2);
  if (version.empty()) {
    version = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
              std::to_wstring(build & 0xffff);
  }
  return {L"Windows", version};
}

// The version functions of kernel32 lie to programs without a compatibility manifest;
// ntdll's numbers are the system's own.
OsVersionName GetOsVersionName() {
  ScopedModule ntdll(::LoadLibraryW(L"ntdll.dll"));
  if (!ntdll) return {L"Windows", L"XP-"};
  using GetNumbersFunction = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  const auto get_numbers = reinterpret_cast<GetNumbersFunction>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers")));
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  if (get_numbers != nullptr) get_numbers(&major, &minor, &build);
  return NameOsVersion(major, minor, build, ::GetSystemMetrics(SM_SERVERR2) != 0);
}

bool IsWow64System() {
  using IsWow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto is_wow64 = reinterpret_cast<IsWow64Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "IsWow64Process")));
  if (is_wow64 == nullptr) return false;
  BOOL answer = FALSE;
  if (is_wow64(::GetCurrentProcess(), &answer)) return answer != FALSE;
  SYSTEM_INFO info = {};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}
