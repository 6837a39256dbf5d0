// Running a runner under test with the protocol package as its child, without ever waiting
// for it without a limit.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/text_encoding.h"
#include "tests/support/child_pid_file.h"
#include "tests/support/event_recorder.h"

inline constexpr DWORD kChildTimeLimitMs = 20000;
inline constexpr DWORD kEventTimeLimitMs = 10000;
// How long a child that should keep running is watched before the test kills it.
inline constexpr DWORD kHangWatchMs = 500;

enum class ChildEnd { kByItself, kKilledByTest };

struct RunOutcome {
  std::vector<RecordedEvent> events;
  bool child_ended_by_itself = false;
};

inline std::string Utf8(const std::wstring& text) { return WideToMultiByte(text, CP_UTF8); }

inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The whole file, empty when it cannot be read.
inline std::string ReadFileBytes(const std::wstring& path) {
  const ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

// The script line that makes the protocol package announce its process id in `pid_file`.
inline std::string PidFileCommand(const std::wstring& pid_file) {
  return "pidfile " + Utf8(pid_file) + "\n";
}

// Starts `runner`, watches the child that announces itself in `pid_file` (a hanging one is
// killed once `wait_before_kill` has arrived and kHangWatchMs has passed), waits for one of
// `final_codes`, and destroys the runner, which joins its worker.
template <typename Runner>
RunOutcome RunToEnd(std::unique_ptr<Runner> runner, const EventRecorder& recorder,
                    const std::wstring& pid_file, ChildEnd end, int wait_before_kill,
                    std::initializer_list<int> final_codes) {
  RunOutcome outcome;
  runner->Start();
  const ScopedHandle child = OpenChildFromPidFile(pid_file, kChildTimeLimitMs);
  if (end == ChildEnd::kKilledByTest) {
    EXPECT_TRUE(child);
    EXPECT_TRUE(recorder.WaitForAny({wait_before_kill}, kEventTimeLimitMs));
  }
  const DWORD watch = end == ChildEnd::kKilledByTest ? kHangWatchMs : kChildTimeLimitMs;
  outcome.child_ended_by_itself = !child || EndsWithinOrKill(child.get(), watch);
  EXPECT_TRUE(recorder.WaitForAny(final_codes, kEventTimeLimitMs));
  runner.reset();
  outcome.events = recorder.Events();
  return outcome;
}
