// Runs a program under a minimal debugger loop and collects what it writes to the debugger
// output channel, the way a debug-output viewer would see it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DebuggedRun {
  bool started = false;
  bool finished = false;  // false: the program outlived the time limit and was killed
  DWORD process_id = 0;
  DWORD main_thread_id = 0;
  DWORD exit_code = 0;
  std::vector<std::string> lines;         // UTF-8, one entry per debug string
  std::vector<std::string> thread_names;  // ANSI names announced with exception 0x406D1388
};

DebuggedRun RunUnderDebugger(const std::wstring& command_line, DWORD time_limit_ms);
