// One file over HTTP(S) (or a file:/// URL) with libcurl's easy interface. The bytes go into a
// part file beside the target, which later attempts resume from its size; only a finished
// transfer replaces the target. Header-only probes learn the URL after redirects and the
// length once per object, so a retried attempt goes straight to the transfer.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/curl_easy.h"

// The bytes libcurl gets for a configured URL: "file:///" URLs in the ANSI code page (libcurl
// opens local files by their C runtime path), any other URL in UTF-8; no percent-encoding.
std::string CurlUrlBytes(const std::wstring& url);

class CurlClient {
 public:
  // Called at most once per wall-clock second during a transfer.
  using ProgressHook = void (*)(void* owner, double speed_bytes_per_second, double percent);
  // Wall-clock seconds; replaceable so that tests decide when a second has passed.
  using Clock = std::function<int64_t()>;

  // Results of Start other than libcurl's own codes (0 is success).
  static constexpr int kRenameFailed = -995;
  static constexpr int kPartFileNotOpened = -996;
  static constexpr int kNoHandle = -997;
  static constexpr int kLengthMissing = -998;
  // Files whose reported length is below this are never downloaded.
  static constexpr double kMinimumLength = 1048576.0;

  CurlClient(std::wstring url, std::wstring save_path, void* user_data, ProgressHook hook);
  ~CurlClient();  // deletes the part file
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  std::wstring GetFilePath(bool part) const;

  // One complete download attempt; 0, a libcurl code or one of the own codes above.
  int Start();

  // Makes the running transfer (and every later one) end with CURLE_ABORTED_BY_CALLBACK.
  void RequestStop() { stop_requested_ = true; }
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  const std::string& realUrl() const { return real_url_; }
  double fileLength() const { return file_length_; }
  const std::wstring& lastError() const { return last_error_; }

  // Header-only request following redirects; the handle is returned even after a failed
  // perform, so that the caller can query it. Empty when no handle could be made.
  static ScopedCurl Head(const std::string& url);
  // Length from a finished header request with a status of 200 to 399, else -1.
  static double GetDownloadFileLength(CURL* handle);
  // URL after redirects by a header request of its own; `url` itself when none is learnt.
  static std::string GetRealUrl_Str(const std::string& url);
  // Length by a header request of its own that does not follow redirects; -1 when unknown.
  static double GetDownloadFileLength_Str(const std::string& url);
  // libcurl's transfer-info function; `client` is the CurlClient.
  static int ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow,
                              curl_off_t ultotal, curl_off_t ulnow);

 private:
  void ProbeServer(const std::string& url_bytes);
  bool HasUsableLength() const { return !real_url_.empty() && file_length_ >= kMinimumLength; }
  int Transfer(const std::string& part_path);
  int TransferInto(CURL* curl, FILE* part, const std::string& part_path);
  int SetTransferOptions(CURL* curl, FILE* part, curl_slist* headers);
  void DiscardForeignPartFile(const std::string& part_path);
  int ReplaceTarget(const std::string& part_path, const std::string& final_path);
  double Percent(curl_off_t dltotal, curl_off_t dlnow) const;
  double CurrentSpeed() const;

  std::wstring url_;
  std::wstring save_path_;
  void* user_data_;
  std::atomic<CURL*> curl_{nullptr};
  ProgressHook progress_hook_;
  double file_length_ = -1.0;
  int64_t resume_offset_ = -1;
  int64_t last_progress_time_ = 0;
  std::atomic<bool> stop_requested_{false};
  std::wstring last_error_;
  std::string real_url_;
  Clock clock_;
};
