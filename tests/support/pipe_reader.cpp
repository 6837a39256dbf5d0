#include "tests/support/pipe_reader.h"

PipeText ReadPipeToEnd(HANDLE pipe, DWORD time_limit_ms) {
  PipeText result;
  const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
  while (::GetTickCount64() < deadline) {
    DWORD available = 0;
    // Peeking never blocks; it fails once no writer is left and the pipe is drained.
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
      result.ended = true;
      return result;
    }
    if (available == 0) {
      ::Sleep(5);
      continue;
    }
    char buffer[4096];
    DWORD read = 0;
    const DWORD wanted = available < sizeof(buffer) ? available : sizeof(buffer);
    if (!::ReadFile(pipe, buffer, wanted, &read, nullptr)) {
      result.ended = true;
      return result;
    }
    result.text.append(buffer, read);
  }
  return result;
}

DWORD WaitOrKill(HANDLE process, DWORD time_limit_ms) {
  if (::WaitForSingleObject(process, time_limit_ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 5000);
    return STILL_ACTIVE;
  }
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process, &exit_code);
  return exit_code;
}
