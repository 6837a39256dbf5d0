// The default downloader: one CurlClient in a retry loop on a worker thread, its result checked
// against the MD5 that the download host puts into the redirected URL.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "app/thread.h"
#include "engine/curl_client.h"
#include "engine/downloader.h"
#include "engine/install_event.h"

class CCurlDownloader : public CDownloader {
 public:
  CCurlDownloader(InstallEventCallback callback, std::wstring url, std::wstring package_path);
  // Stops a running transfer and waits for the worker; no event is sent after this began.
  ~CCurlDownloader() override;

  // Waits for a previous worker and starts a new one. Called from an event of the running
  // worker (the pipeline's answer to DL_CODE_RETRY), it cannot wait for itself: that worker
  // runs the download again once its current run has ended.
  void Start() override;

  void SetRetryPause(RetryPause pause) { retry_pause_ = std::move(pause); }
  CurlClient& client() { return client_; }

 private:
  static void ProgressRelay(void* owner, double speed, double percent);
  void RunWorker();
  void dlThreadFun();
  int DownloadWithinBudget();
  bool VerifyPackage();
  void Emit(int code, double progress, const wchar_t* text);

  InstallEventCallback callback_;
  std::wstring package_path_;
  std::wstring url_;
  CurlClient client_;
  std::unique_ptr<Utils::Thread> thread_;
  bool retried_ = false;
  std::atomic<bool> restart_requested_{false};
  std::atomic<bool> stopping_{false};
  RetryPause retry_pause_;
};
