// Deleting a file that a process may still hold for a moment: a package reports its final
// state before it exits, and the file of a running program cannot be deleted.
#pragma once

#include <windows.h>

#include <string>

#include "engine/downloader.h"

// True when the file is gone, also when it was never there. While it is in use (access denied
// or a sharing violation) it is tried again after `pause`, at most `attempts` times in all.
bool DeleteFileWithRetry(const std::wstring& path, int attempts, DWORD pause_milliseconds,
                         const RetryPause& pause);
