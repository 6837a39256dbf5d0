#include "engine/child_output.h"

#include <algorithm>
#include <exception>

#include "app/text_encoding.h"

namespace {

// How long the runner waits for the child's exit between two looks at the pipe.
constexpr DWORD kIdleWaitMs = 100;

}  // namespace

std::unique_ptr<ConsoleProcess> LaunchChild(const std::wstring& command_line) {
  try {
    auto process = std::make_unique<ConsoleProcess>();
    process->Launch(command_line);
    return process;
  } catch (const std::exception&) {
    return nullptr;
  }
}

ChildOutput::ChildOutput(HANDLE output_pipe, HANDLE process)
    : pipe_(output_pipe), process_(process) {}

bool ChildOutput::Next(unsigned code_page, std::wstring* text) {
  std::string bytes;
  const bool more = NextBytes(&bytes);
  *text = MultiByteToWide(bytes.data(), bytes.size(), code_page);
  return more;
}

bool ChildOutput::NextBytes(std::string* bytes) {
  bytes->clear();
  for (;;) {
    const DWORD available = Available();
    if (available > 0) {
      ReadAvailable(available, bytes);
      if (!bytes->empty()) return true;
      continue;
    }
    // Whatever the child wrote before it ended was in the pipe when its end was seen.
    if (exited_) {
      bytes->swap(unfinished_line_);
      return !bytes->empty();
    }
    exited_ = WaitForExit();
  }
}

void ChildOutput::DiscardUntilExit() {
  std::string dropped;
  for (;;) {
    const DWORD available = Available();
    if (available > 0) {
      ReadAvailable(available, &dropped);
      continue;
    }
    if (exited_) return;
    exited_ = WaitForExit();
  }
}

DWORD ChildOutput::Available() const {
  DWORD available = 0;
  if (read_failed_) return 0;
  if (!::PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr)) return 0;
  return available;
}

void ChildOutput::ReadAvailable(DWORD available, std::string* bytes) {
  char buffer[kReadSize];
  DWORD read = 0;
  if (!::ReadFile(pipe_, buffer, std::min(available, kReadSize), &read, nullptr)) {
    read_failed_ = true;  // from now on only the child's exit is awaited
    read = 0;
  }
  *bytes = std::move(unfinished_line_);
  unfinished_line_.clear();
  bytes->append(buffer, read);
  // Only a read cut short by its size, with more output already waiting, can end inside a line.
  if (available <= kReadSize) return;
  const std::string::size_type last_feed = bytes->find_last_of('\n');
  const std::string::size_type read_start = bytes->size() - read;
  if (last_feed == std::string::npos || last_feed < read_start) return;
  unfinished_line_ = bytes->substr(last_feed + 1);
  bytes->resize(last_feed + 1);
}

bool ChildOutput::WaitForExit() {
  return ::WaitForSingleObject(process_, kIdleWaitMs) != WAIT_TIMEOUT;
}
