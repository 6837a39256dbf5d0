#include "tests/support/install_event_recorder.h"

#include <algorithm>
#include <chrono>
#include <iomanip>

void PrintTo(const RecordedEvent& event, std::ostream* out) {
  std::string text(event.text.size() * 3, '\0');
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, event.text.data(), static_cast<int>(event.text.size()),
                            text.data(), static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  *out << "{" << event.code << ", " << std::setprecision(17) << event.progress << ", \"" << text
       << "\"}";
}

InstallEventCallback InstallEventRecorder::Callback() {
  return [this](int code, double progress, const wchar_t* text) { Record(code, progress, text); };
}

std::vector<RecordedEvent> InstallEventRecorder::events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

bool InstallEventRecorder::WaitFor(std::initializer_list<int> codes, DWORD timeout_ms) const {
  const std::vector<int> wanted(codes);
  const auto is_wanted = [&wanted](const RecordedEvent& event) {
    return std::find(wanted.begin(), wanted.end(), event.code) != wanted.end();
  };
  std::unique_lock<std::mutex> lock(mutex_);
  return recorded_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this, &is_wanted] {
    return std::any_of(events_.begin(), events_.end(), is_wanted);
  });
}

void InstallEventRecorder::Record(int code, double progress, const wchar_t* text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({code, progress, text});
  }
  recorded_.notify_all();
}
