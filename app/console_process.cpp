#include "app/console_process.h"

#include <string>

namespace {

std::string Failure(const char* what) {
  return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

void CreateInheritablePipe(ScopedHandle* read_end, ScopedHandle* write_end) {
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, TRUE};
  HANDLE read_handle = nullptr;
  HANDLE write_handle = nullptr;
  if (!::CreatePipe(&read_handle, &write_handle, &attributes, 0)) {
    throw ConsoleProcessError(Failure("CreatePipe failed"));
  }
  read_end->reset(read_handle);
  write_end->reset(write_handle);
}

void KeepFromChild(HANDLE parent_end) {
  if (!::SetHandleInformation(parent_end, HANDLE_FLAG_INHERIT, 0)) {
    throw ConsoleProcessError(Failure("SetHandleInformation failed"));
  }
}

}  // namespace

// A failed pipe leaves the ones made before it to their wrappers, which close them.
ConsoleProcess::ConsoleProcess() {
  CreateInheritablePipe(&error_read_, &error_write_);
  CreateInheritablePipe(&output_read_, &output_write_);
  CreateInheritablePipe(&input_read_, &input_write_);
}

void ConsoleProcess::Launch(const std::wstring& command_line) {
  if (command_line.size() + 1 > kCommandLineCapacity) {
    throw ConsoleProcessError("command line longer than " +
                              std::to_string(kCommandLineCapacity - 1) + " characters");
  }
  if (process_) throw ConsoleProcessError("child already launched");
  // CreateProcessW may modify the command line in place, so it must live in writeable memory.
  command_line.copy(command_line_, command_line.size());
  command_line_[command_line.size()] = L'\0';

  // Inherited parent ends would keep the pipes open after the child exits: reads would hang.
  KeepFromChild(output_read_.get());
  KeepFromChild(error_read_.get());
  KeepFromChild(input_write_.get());

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input_read_.get();
  startup.hStdOutput = output_write_.get();
  startup.hStdError = error_write_.get();
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command_line_, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
    throw ConsoleProcessError(Failure("CreateProcess failed"));
  }
  process_.reset(info.hProcess);
  ScopedHandle initial_thread(info.hThread);  // never needed: closed at once
  process_id_ = info.dwProcessId;

  // Only the child holds these now, so reading the output ends when the child is gone.
  output_write_.reset();
  error_write_.reset();
  input_read_.reset();
}
