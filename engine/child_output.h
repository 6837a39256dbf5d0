// Starting a runner's child program and reading what it writes on its standard output.
//
// Reads take at most 1024 bytes, each decoded and parsed on its own. The runner only
// reads when output is waiting and otherwise watches the process handle, so a child that
// exits, even with exit code 259 (STILL_ACTIVE), or a grandchild that inherited the pipe and
// keeps it open, never leaves the runner waiting for output that cannot come.
//
// A read that is cut by the 1024-byte limit while more output is already waiting keeps its
// unfinished last line (as bytes) for the next read: a line the child wrote in one piece then
// still arrives whole, and a multi-byte character is never split. Every other read is handed
// on complete, so a child that writes a line without a line feed is still understood at once.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/console_process.h"

// The child started hidden with redirected standard handles; null when it could not be
// started (pipes, process creation, or a command line that does not fit).
std::unique_ptr<ConsoleProcess> LaunchChild(const std::wstring& command_line);

class ChildOutput {
 public:
  static constexpr DWORD kReadSize = 1024;

  // Neither handle is owned; both must outlive this object.
  ChildOutput(HANDLE output_pipe, HANDLE process);

  // Waits for the next piece of output and stores it decoded from `code_page`. False once
  // the child has ended and everything it wrote has been handed out.
  bool Next(unsigned code_page, std::wstring* text);

  // Reads and drops the child's output until the child has ended, so that a child that keeps
  // writing after its final line cannot block on a full pipe.
  void DiscardUntilExit();

 private:
  bool NextBytes(std::string* bytes);
  DWORD Available() const;
  void ReadAvailable(DWORD available, std::string* bytes);
  bool WaitForExit();  // one bounded wait; true once the child has ended

  HANDLE pipe_;
  HANDLE process_;
  std::string unfinished_line_;  // shorter than kReadSize
  bool exited_ = false;
  bool read_failed_ = false;
};
