#include "app/process_finder.h"

#include <tlhelp32.h>

#include "app/scoped_handle.h"

// The first entry of a snapshot is the system's idle process, never one of ours.
DWORD FindProcessByName(const std::wstring& name) {
  if (name.empty()) return 0;
  ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  if (!::Process32FirstW(snapshot.get(), &entry)) return 0;
  while (::Process32NextW(snapshot.get(), &entry)) {
    if (name == entry.szExeFile) return entry.th32ProcessID;
  }
  return 0;
}
