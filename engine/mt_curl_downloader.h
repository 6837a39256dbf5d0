// The multi-part downloader: one header probe learns the URL after redirects, the length and
// the expected MD5 (from the redirected URL's path); the file is fetched as one or two byte
// ranges in parallel, each on its own thread into its own part file that later attempts
// resume; a merge thread joins the parts into the package and checks it. A failed attempt is
// answered with one DL_CODE_RETRY in the object's life, the next failure is final.
//
// Threads of one attempt: the "ABDEF" worker (probe, split, start the others), one thread per
// pending range, one merge thread, which joins the part files and hashes them while the ranges
// arrive (see PartMerger). Start never waits for any of them, so it may be called from
// the merge thread's final event; the next attempt's worker joins the previous attempt's
// threads before it touches the ranges, and the destructor stops and joins all of them.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/md5.h"
#include "app/thread.h"
#include "engine/download_part.h"
#include "engine/downloader.h"
#include "engine/install_event.h"

class CMTCurlDownloader : public CDownloader {
 public:
  // Wall-clock seconds; replaceable so that tests decide when a second has passed.
  using Clock = std::function<int64_t()>;

  // A merge that could not produce the package from complete parts; reported like a part's
  // failure status.
  static constexpr int kMergeFailed = -3;

  CMTCurlDownloader(InstallEventCallback callback, std::wstring url, std::wstring package_path);
  // Stops the transfers and joins every thread of the object; no event is sent after this
  // began.
  ~CMTCurlDownloader() override;
  CMTCurlDownloader(const CMTCurlDownloader&) = delete;
  CMTCurlDownloader& operator=(const CMTCurlDownloader&) = delete;

  // Starts an attempt and returns at once. While an attempt runs, the call is remembered and
  // the next attempt starts right after the running one has sent its final event.
  void Start() override;

  // Set before the first Start.
  void SetRetryPause(RetryPause pause) { retry_pause_ = std::move(pause); }
  void SetClock(Clock clock) { clock_ = std::move(clock); }

 private:
  using ThreadList = std::vector<std::unique_ptr<Utils::Thread>>;

  bool LaunchAttemptLocked();
  void LaunchPendingAttempt();
  void Start_Down();
  bool JoinEarlierAttempt();
  bool getRealDownloadUrl(const std::string& url);
  void BuildParts();
  void StartPartThreads();
  void StartMergeThread();
  int downloadExe(DownloadPartNode* part);
  void downloadThreadFun(DownloadPartNode* part);
  void PartEnded(DownloadPartNode* part);
  void waitForFinishThreadFun();
  bool WaitForPartProgress();
  void WaitForPartsToEnd();
  bool RenameToPackage();
  void VerifyAndFinish(const Md5::Digest& digest);
  void FailAttempt(int status);
  void FinishAttempt(int code, double progress);
  static int ProgressFunction(void* self, curl_off_t dltotal, curl_off_t dlnow,
                              curl_off_t ultotal, curl_off_t ulnow);
  static int AbortWhenStopping(void* self, curl_off_t dltotal, curl_off_t dlnow,
                               curl_off_t ultotal, curl_off_t ulnow);
  void ReportProgress();
  double LastReportedPercent();
  void SetLastReportedPercent(double percent);
  void ReleaseParts();
  void DeletePartFiles();
  std::string PartPath(int index) const;
  void Emit(int code, double progress, const wchar_t* text);

  std::vector<std::unique_ptr<DownloadPartNode>> parts_;
  InstallEventCallback callback_;
  std::wstring package_path_;
  std::wstring url_;
  std::string package_path_ansi_;
  std::string real_url_;
  int64_t file_length_ = 0;
  std::string url_md5_;
  double last_reported_percent_ = 0.0;  // under progress_lock_
  int active_parts_ = 0;                // under active_lock_
  std::mutex progress_lock_;
  std::atomic<int64_t> last_progress_time_{0};  // written under progress_lock_
  bool retried_ = false;
  std::unique_ptr<Utils::Thread> thread_;  // under control_lock_

  std::mutex active_lock_;
  std::condition_variable parts_ended_;

  std::mutex control_lock_;
  bool attempt_active_ = false;   // under control_lock_
  bool restart_pending_ = false;  // under control_lock_
  ThreadList retired_;            // under control_lock_: earlier "ABDEF" workers, oldest first
  std::atomic<bool> stopping_{false};
  ThreadList attempt_threads_;  // range and merge threads of the latest attempt

  RetryPause retry_pause_;
  Clock clock_;
};
