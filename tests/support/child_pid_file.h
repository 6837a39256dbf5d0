// Finding a child that a runner under test started: the child writes its process id into a
// file, and the test opens the process from it to wait for it or kill it.
#pragma once

#include <windows.h>

#include <string>

#include "app/scoped_handle.h"

// The process whose id appears in `pid_file` within `time_limit_ms`, opened for waiting and
// killing; empty when no id appeared in time or the process is already gone.
ScopedHandle OpenChildFromPidFile(const std::wstring& pid_file, DWORD time_limit_ms);

// Waits up to `time_limit_ms` for the child to end and kills it when it has not; true when it
// ended by itself (whatever its exit code, 259 included).
bool EndsWithinOrKill(HANDLE process, DWORD time_limit_ms);
