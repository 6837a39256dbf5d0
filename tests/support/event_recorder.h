// Records the events a runner, a downloader or the pipeline reports on its worker threads, and lets a
// test wait for them with a time limit.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "engine/downloader.h"
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

class EventRecorder {
 public:
  // The callback to hand to the object under test; it must not outlive the recorder.
  InstallEventCallback Callback();

  // Called after recording, outside the lock, on the reporting thread: where the pipeline
  // would react to an event (e.g. Start again on DL_CODE_RETRY).
  void SetReaction(std::function<void(int code)> reaction);

  // True once `count` events with `code` have arrived; false after `time_limit_ms`.
  bool WaitForCount(int code, size_t count, DWORD time_limit_ms);
  // True once DL_CODE_SUCCESS or DL_CODE_FAIL has arrived.
  bool WaitForOutcome(DWORD time_limit_ms);
  // True once an event with one of `codes` has arrived.
  bool WaitForAny(std::initializer_list<int> codes, DWORD time_limit_ms) const;

  std::vector<RecordedEvent> Events() const;
  // The codes in order, without DL_CODE_PROGRESS.
  std::vector<int> Codes() const;
  size_t Count(int code) const;

 private:
  void Record(int code, double progress, const wchar_t* text);
  size_t CountLocked(int code) const;

  mutable std::mutex lock_;
  mutable std::condition_variable arrived_;
  std::vector<RecordedEvent> events_;
  std::function<void(int code)> reaction_;
};

// The pipeline's answer to DL_CODE_RETRY: Start again, from the reporting worker itself.
std::function<void(int code)> RestartOnRetry(CDownloader* downloader);

// A retry pause that counts instead of sleeping.
class PauseCounter {
 public:
  RetryPause Function();
  int count() const { return count_; }
  DWORD total_ms() const { return total_ms_; }

 private:
  std::atomic<int> count_{0};
  std::atomic<DWORD> total_ms_{0};
};
