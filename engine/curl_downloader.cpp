#include "engine/curl_downloader.h"

#include <cstdio>

#include "app/debug_log.h"
#include "app/file_md5.h"
#include "app/text_encoding.h"
#include "engine/url_md5.h"

namespace {

// Attempts spend 2 of the budget, those cut short by the server (CURLE_PARTIAL_FILE) only 1:
// six failures of any kind, or up to twelve interrupted transfers that each made progress.
constexpr int kAttemptBudget = 12;
constexpr DWORD kRetryPauseMilliseconds = 500;
constexpr size_t kMd5Length = 32;

void SystemPause(DWORD milliseconds) { ::Sleep(milliseconds); }

}  // namespace

CCurlDownloader::CCurlDownloader(InstallEventCallback callback, std::wstring url,
                                 std::wstring package_path)
    : callback_(std::move(callback)),
      package_path_(std::move(package_path)),
      url_(std::move(url)),
      client_(url_, package_path_, this, &CCurlDownloader::ProgressRelay),
      retry_pause_(&SystemPause) {
  std::remove(WideToMultiByte(client_.GetFilePath(true), CP_ACP).c_str());
}

CCurlDownloader::~CCurlDownloader() {
  stopping_ = true;
  client_.RequestStop();
  thread_.reset();
}

void CCurlDownloader::Start() {
  if (thread_ && thread_->id() == ::GetCurrentThreadId()) {
    restart_requested_ = true;
    return;
  }
  thread_.reset();
  thread_ = std::make_unique<Utils::Thread>();
  const bool started = thread_->Start(this, L"ABDEF", [](void* owner) {
    static_cast<CCurlDownloader*>(owner)->RunWorker();
    return 0u;
  });
  if (!started || !thread_->Resume()) {
    thread_.reset();
    Emit(DL_CODE_FAIL, 0.0, L"LibCurl");
  }
}

void CCurlDownloader::RunWorker() {
  do {
    restart_requested_ = false;
    dlThreadFun();
  } while (restart_requested_ && !stopping_);
}

void CCurlDownloader::dlThreadFun() {
  Emit(DL_CODE_START, 1.0, L"");
  const int result = DownloadWithinBudget();
  if (result != 0) {
    Emit(DL_CODE_FAIL, result, L"LibCurl");
    return;
  }
  if (VerifyPackage()) Emit(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}

int CCurlDownloader::DownloadWithinBudget() {
  int budget = kAttemptBudget;
  int result = client_.Start();
  while (result != 0 && !stopping_) {
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    if (budget < 1) return result;
    LogLine(L"CCurlDownloader::dlThreadFun", __LINE__, L"CurlDownLoader Code=%d\r\n", result);
    retry_pause_(kRetryPauseMilliseconds);
    result = client_.Start();
  }
  return result;
}

// A package that cannot be read cannot be shown to match, so it counts as a mismatch.
bool CCurlDownloader::VerifyPackage() {
  const std::string expected = UrlMd5(client_.realUrl());
  if (expected.size() != kMd5Length) {
    Emit(DL_CODE_MD5_ERROR, 0.0, L"curl获取url-md5失败");
    return true;
  }
  if (FileMd5Hex(WideToMultiByte(package_path_, CP_ACP)) == expected) return true;
  Emit(DL_CODE_MD5_ERROR, 0.0, L"curl文件md5校验失败");
  if (retried_) {
    Emit(DL_CODE_FAIL, 0.0, L"LibCurl");
  } else {
    retried_ = true;
    Emit(DL_CODE_RETRY, 0.0, L"LibCurl");
  }
  return false;
}

void CCurlDownloader::ProgressRelay(void* owner, double speed, double percent) {
  if (speed > 0 && percent <= 100) {
    static_cast<CCurlDownloader*>(owner)->Emit(DL_CODE_PROGRESS, percent / 100, L"");
  }
}

void CCurlDownloader::Emit(int code, double progress, const wchar_t* text) {
  if (stopping_ || !callback_) return;
  callback_(code, progress, text);
}
