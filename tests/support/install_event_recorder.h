// Records the events a runner or downloader reports, from whatever thread they come, and lets
// a test wait for one with a time limit.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <initializer_list>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "engine/install_event.h"

struct RecordedEvent {
  int code;
  double progress;
  std::wstring text;

  bool operator==(const RecordedEvent& other) const {
    return code == other.code && progress == other.progress && text == other.text;
  }
};

void PrintTo(const RecordedEvent& event, std::ostream* out);

class InstallEventRecorder {
 public:
  // The callback stays valid as long as the recorder.
  InstallEventCallback Callback();

  std::vector<RecordedEvent> events() const;

  // True once an event with one of `codes` has been recorded; false when `timeout_ms` ran
  // out first.
  bool WaitFor(std::initializer_list<int> codes, DWORD timeout_ms) const;

 private:
  void Record(int code, double progress, const wchar_t* text);

  mutable std::mutex mutex_;
  mutable std::condition_variable recorded_;
  std::vector<RecordedEvent> events_;
};
