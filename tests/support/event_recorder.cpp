#include "tests/support/event_recorder.h"

#include <algorithm>
#include <chrono>
#include <iomanip>

#include "app/text_encoding.h"

void PrintTo(const RecordedEvent& event, std::ostream* out) {
  *out << "{" << event.code << ", " << std::setprecision(17) << event.progress << ", \""
       << WideToMultiByte(event.text, CP_UTF8) << "\"}";
}

InstallEventCallback EventRecorder::Callback() {
  return [this](int code, double progress, const wchar_t* text) { Record(code, progress, text); };
}

void EventRecorder::SetReaction(std::function<void(int code)> reaction) {
  std::lock_guard<std::mutex> hold(lock_);
  reaction_ = std::move(reaction);
}

void EventRecorder::Record(int code, double progress, const wchar_t* text) {
  std::function<void(int code)> reaction;
  {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back({code, progress, text != nullptr ? text : L"(null)"});
    reaction = reaction_;
  }
  arrived_.notify_all();
  if (reaction) reaction(code);
}

bool EventRecorder::WaitForCount(int code, size_t count, DWORD time_limit_ms) {
  std::unique_lock<std::mutex> hold(lock_);
  return arrived_.wait_for(hold, std::chrono::milliseconds(time_limit_ms),
                           [&] { return CountLocked(code) >= count; });
}

bool EventRecorder::WaitForOutcome(DWORD time_limit_ms) {
  std::unique_lock<std::mutex> hold(lock_);
  return arrived_.wait_for(hold, std::chrono::milliseconds(time_limit_ms), [&] {
    return CountLocked(DL_CODE_SUCCESS) + CountLocked(DL_CODE_FAIL) > 0;
  });
}

bool EventRecorder::WaitForAny(std::initializer_list<int> codes, DWORD time_limit_ms) const {
  const std::vector<int> wanted(codes);
  std::unique_lock<std::mutex> hold(lock_);
  return arrived_.wait_for(hold, std::chrono::milliseconds(time_limit_ms), [&] {
    return std::any_of(events_.begin(), events_.end(), [&wanted](const RecordedEvent& e) {
      return std::find(wanted.begin(), wanted.end(), e.code) != wanted.end();
    });
  });
}

std::vector<RecordedEvent> EventRecorder::Events() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

std::vector<int> EventRecorder::Codes() const {
  std::vector<int> codes;
  for (const RecordedEvent& event : Events()) {
    if (event.code != DL_CODE_PROGRESS) codes.push_back(event.code);
  }
  return codes;
}

size_t EventRecorder::Count(int code) const {
  std::lock_guard<std::mutex> hold(lock_);
  return CountLocked(code);
}

size_t EventRecorder::CountLocked(int code) const {
  return static_cast<size_t>(std::count_if(
      events_.begin(), events_.end(), [code](const RecordedEvent& e) { return e.code == code; }));
}

std::function<void(int code)> RestartOnRetry(CDownloader* downloader) {
  return [downloader](int code) {
    if (code == DL_CODE_RETRY) downloader->Start();
  };
}

RetryPause PauseCounter::Function() {
  return [this](DWORD milliseconds) {
    ++count_;
    total_ms_ += milliseconds;
  };
}
