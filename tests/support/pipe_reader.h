// Bounded reads from a child's pipe: a test never waits for a child without a time limit.
#pragma once

#include <windows.h>

#include <string>

struct PipeText {
  std::string text;
  bool ended = false;  // false: the time ran out before the writer closed the pipe
};

// Reads until every write end of the pipe is closed or `time_limit_ms` has passed.
PipeText ReadPipeToEnd(HANDLE pipe, DWORD time_limit_ms);

// Waits for the process; one still running at the limit is killed. Its exit code, or
// STILL_ACTIVE when it had to be killed.
DWORD WaitOrKill(HANDLE process, DWORD time_limit_ms);
