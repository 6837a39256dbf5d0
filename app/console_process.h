// A hidden child process whose standard input, output and error are anonymous pipes.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "app/scoped_handle.h"

// Thrown when the pipes cannot be made, the command line does not fit, or the child cannot
// be started. The only exception that leaves the shell's helpers; runners catch it.
class ConsoleProcessError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ConsoleProcess {
 public:
  static constexpr size_t kCommandLineCapacity = 1024;  // characters, terminator included

  ConsoleProcess();  // creates the three pipes; throws ConsoleProcessError
  ConsoleProcess(const ConsoleProcess&) = delete;
  ConsoleProcess& operator=(const ConsoleProcess&) = delete;

  // Starts the child hidden with the pipes as its standard handles; throws ConsoleProcessError.
  // Afterwards reading output() ends with a failure once the child has exited and its output
  // is drained.
  void Launch(const std::wstring& command_line);

  HANDLE output() const { return output_read_.get(); }
  HANDLE error() const { return error_read_.get(); }
  HANDLE input() const { return input_write_.get(); }
  HANDLE process() const { return process_.get(); }
  DWORD process_id() const { return process_id_; }

 private:
  wchar_t command_line_[kCommandLineCapacity] = {};
  ScopedHandle error_read_, error_write_;
  ScopedHandle output_read_, output_write_;
  ScopedHandle input_read_, input_write_;
  ScopedHandle process_;
  DWORD process_id_ = 0;
};
