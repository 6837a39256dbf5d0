#include "engine/mt_curl_downloader.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "app/debug_log.h"
#include "app/file_md5.h"
#include "app/installer_settings.h"
#include "app/text_encoding.h"
#include "engine/curl_client.h"
#include "engine/part_merger.h"
#include "engine/runner_worker.h"
#include "engine/curl_transfer_limits.h"
#include "engine/url_md5.h"

namespace {

using namespace CurlTransferLimits;

// Attempts of one range spend 2 of the budget, those cut short by the server
// (CURLE_PARTIAL_FILE) only 1: seven attempts, or up to thirteen interrupted ones.
constexpr int kPartAttemptBudget = 12;
constexpr DWORD kPartRetryPauseMilliseconds = 400;
constexpr DWORD kPartStaggerMilliseconds = 100;
// How long the merge thread sleeps when it has caught up with the arriving ranges.
constexpr int kMergePollMilliseconds = 2;
// A probe must report more than this many bytes.
constexpr int64_t kShortestFile = 255;
constexpr size_t kMd5Length = 32;
constexpr int kHttpStatusFirst = 200;
constexpr int kHttpStatusLast = 399;
const wchar_t kLibCurl[] = L"LibCurl";

void SystemPause(DWORD milliseconds) { ::Sleep(milliseconds); }
int64_t SystemSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

// A worker is joined before the ones started after it: it may still be starting them.
void JoinInOrder(std::vector<std::unique_ptr<Utils::Thread>>* threads) {
  for (auto& thread : *threads) thread.reset();
  threads->clear();
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(InstallEventCallback callback, std::wstring url,
                                     std::wstring package_path)
    : callback_(std::move(callback)),
      package_path_(std::move(package_path)),
      url_(std::move(url)),
      package_path_ansi_(WideToMultiByte(package_path_, CP_ACP)),
      retry_pause_(&SystemPause),
      clock_(&SystemSeconds) {
  std::remove(package_path_ansi_.c_str());
  DeletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
  ThreadList workers;
  {
    std::lock_guard<std::mutex> hold(control_lock_);
    stopping_ = true;
    restart_pending_ = false;
    workers.swap(retired_);
    if (thread_) workers.push_back(std::move(thread_));
  }
  {
    std::lock_guard<std::mutex> hold(active_lock_);
  }
  parts_ended_.notify_all();
  // Each worker is joined before the range and merge threads it started.
  JoinInOrder(&workers);
  JoinInOrder(&attempt_threads_);
  ReleaseParts();
}

void CMTCurlDownloader::Start() {
  {
    std::lock_guard<std::mutex> hold(control_lock_);
    if (stopping_) return;
    if (attempt_active_) {
      restart_pending_ = true;
      return;
    }
    if (LaunchAttemptLocked()) return;
  }
  Emit(DL_CODE_FAIL, 0.0, kLibCurl);
}

bool CMTCurlDownloader::LaunchAttemptLocked() {
  restart_pending_ = false;
  // The previous worker may be the caller (its final event asks for the retry): the new
  // worker joins it, never this call.
  if (thread_) retired_.push_back(std::move(thread_));
  if (!StartRunnerWorker(&thread_, L"ABDEF", [this] { Start_Down(); })) return false;
  attempt_active_ = true;
  return true;
}

void CMTCurlDownloader::LaunchPendingAttempt() {
  {
    std::lock_guard<std::mutex> hold(control_lock_);
    if (!restart_pending_ || attempt_active_ || stopping_) return;
    if (LaunchAttemptLocked()) return;
  }
  Emit(DL_CODE_FAIL, 0.0, kLibCurl);
}

void CMTCurlDownloader::Start_Down() {
  if (!JoinEarlierAttempt()) return;
  Emit(DL_CODE_START, 1.0, L"");
  LogLine(L"CMTCurlDownloader::Start_Down", __LINE__, L"start download\r\n");
  const std::string url_bytes = CurlUrlBytes(url_);
  std::remove(package_path_ansi_.c_str());
  if (LastReportedPercent() == 0.0) DeletePartFiles();
  const bool probed = !real_url_.empty() && file_length_ > kShortestFile;
  if (!probed && !getRealDownloadUrl(url_bytes)) {
    FinishAttempt(DL_CODE_FAIL, 0.0);
    return;
  }
  BuildParts();
  StartPartThreads();
  StartMergeThread();
}

// False when the object is being destroyed: the destructor then joins what is left.
bool CMTCurlDownloader::JoinEarlierAttempt() {
  ThreadList earlier;
  {
    std::lock_guard<std::mutex> hold(control_lock_);
    if (stopping_) return false;
    earlier.swap(retired_);
  }
  // The earlier worker first: until it has ended, it may still add to attempt_threads_.
  JoinInOrder(&earlier);
  JoinInOrder(&attempt_threads_);
  ReleaseParts();
  return !stopping_;
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
  real_url_.clear();
  url_md5_.clear();
  file_length_ = 0;
  if (!InstallerSettings::m_CurlReady) return false;
  ScopedCurl curl(curl_easy_init());
  if (!curl) return false;
  ScopedCurlList headers;
  AppendHeader(headers, "Connection: keep-alive");
  curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, kMaximumRedirects);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::AbortWhenStopping);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, this);
  int failed = 0;
  failed |= curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  failed |= curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  failed |= curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
  failed |= curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 0L);
  failed |= curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 0L);
  failed |= curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &DiscardBody);
  failed |= curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  if (failed != 0 || curl_easy_perform(curl.get()) != CURLE_OK) return false;

  const std::string effective_url = GetEffectiveUrl(curl.get());
  if (!effective_url.empty()) {
    real_url_ = effective_url;
    LogLine(L"CMTCurlDownloader::getRealDownloadUrl", __LINE__, L"Download File real url %s\r\n",
            MultiByteToWide(real_url_, CP_ACP).c_str());
    url_md5_ = UrlMd5(real_url_);
  }
  curl_off_t length = -1;
  long status = 0;
  if (curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
      curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
      status >= kHttpStatusFirst && status <= kHttpStatusLast) {
    file_length_ = length;
    LogLine(L"CMTCurlDownloader::getRealDownloadUrl", __LINE__, L"Download File Length %lld\r\n",
            static_cast<long long>(file_length_));
  }
  return !real_url_.empty() && file_length_ > kShortestFile;
}

void CMTCurlDownloader::BuildParts() {
  const std::vector<ByteRange> ranges = SplitIntoRanges(file_length_);
  for (size_t i = 0; i < ranges.size(); ++i) {
    auto part = std::make_unique<DownloadPartNode>();
    part->partPath = PartPath(static_cast<int>(i));
    const int64_t range_size = ranges[i].last - ranges[i].first + 1;
    int64_t existing = FileSizeOf(part->partPath);
    // More bytes than the range holds are no beginning of it: appending would make a wrong
    // package.
    if (existing > range_size) std::remove(part->partPath.c_str());
    if (existing < 0 || existing > range_size) existing = 0;
    part->downloaded = existing;
    part->in_file = existing;
    part->start = ranges[i].first + existing;
    part->end = ranges[i].last;
    part->size = range_size;
    part->curl.reset(curl_easy_init());
    part->url = real_url_;
    if (part->end < part->start) {
      part->status = kPartComplete;
    } else {
      part->status = OpenPartFile(part.get()) ? kPartPending : kPartFileNotOpened;
    }
    part->finished = part->status != kPartPending;
    parts_.push_back(std::move(part));
  }
}

// The ranges start 100 ms apart; the first one is ahead, so its bytes are merged and hashed
// first while the second one still arrives.
void CMTCurlDownloader::StartPartThreads() {
  bool first = true;
  for (const auto& part : parts_) {
    if (part->status != kPartPending || stopping_) continue;
    if (!first) ::Sleep(kPartStaggerMilliseconds);
    first = false;
    {
      std::lock_guard<std::mutex> hold(active_lock_);
      ++active_parts_;
    }
    DownloadPartNode* node = part.get();
    std::unique_ptr<Utils::Thread> thread;
    // A range without a thread stays pending, which the merge takes as its failure.
    if (!StartRunnerWorker(&thread, L"MTCurlPart", [this, node] { downloadThreadFun(node); })) {
      PartEnded(node);
      continue;
    }
    attempt_threads_.push_back(std::move(thread));
  }
}

void CMTCurlDownloader::StartMergeThread() {
  std::unique_ptr<Utils::Thread> thread;
  if (StartRunnerWorker(&thread, L"MTCurlMerge", [this] { waitForFinishThreadFun(); })) {
    attempt_threads_.push_back(std::move(thread));
    return;
  }
  waitForFinishThreadFun();
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* part) {
  // Everything the range holds is here (a server that sent more than asked for ended the
  // previous attempt only after the range was full): asking again could not add a byte.
  if (part->start > part->end) {
    part->status = kPartComplete;
    return kPartComplete;
  }
  char range[64];
  std::snprintf(range, sizeof(range), "%lld-%lld", static_cast<long long>(part->start),
                static_cast<long long>(part->end));
  part->request_start = part->start;
  part->response_first_byte = -1;
  part->response_checked = false;
  CURL* curl = part->curl.get();
  int failed = 0;
  failed |= curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_URL, part->url.c_str());
  failed |= curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
  failed |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &PartWrite);
  failed |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, part);
  failed |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  failed |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::ProgressFunction);
  failed |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  failed |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  failed |= curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  failed |= curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  failed |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  failed |= curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  failed |= curl_easy_setopt(curl, CURLOPT_RANGE, range);
  failed |= curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &PartHeader);
  failed |= curl_easy_setopt(curl, CURLOPT_HEADERDATA, part);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaximumRedirects);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
  if (failed != 0) return failed;

  int result = curl_easy_perform(curl);
  // A response may end cleanly and still hold less than the range; the rest is fetched like
  // that of a cut transfer.
  if (result == CURLE_OK && part->start <= part->end) result = CURLE_PARTIAL_FILE;
  if (result != CURLE_OK) {
    LogLine(L"CMTCurlDownloader::downloadExe", __LINE__, L"error:%d:%s\r\n", result,
            CurlErrorText(result).c_str());
  } else {
    LogLine(L"CMTCurlDownloader::downloadExe", __LINE__, L"curl_easy_cleanup\r\n");
  }
  curl_easy_reset(curl);
  // Buffered bytes that cannot be written make the part file shorter than counted.
  if (!FlushPartFile(part) && result == CURLE_OK) result = CURLE_WRITE_ERROR;
  if (result == CURLE_OK) part->file.reset();
  part->status = result;
  return result;
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* part) {
  int budget = kPartAttemptBudget;
  int result = downloadExe(part);
  while (result != 0 && budget > 0 && !stopping_) {
    LogLine(L"CMTCurlDownloader::downloadThreadFun", __LINE__, L"CurlDownLoader Code=%d\r\n",
            result);
    retry_pause_(kPartRetryPauseMilliseconds);
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    result = downloadExe(part);
  }
  if (part->file && std::fclose(part->file.release()) != 0 && part->status == kPartComplete) {
    part->status = CURLE_WRITE_ERROR;
  }
  PartEnded(part);
}

void CMTCurlDownloader::PartEnded(DownloadPartNode* part) {
  {
    std::lock_guard<std::mutex> hold(active_lock_);
    part->finished = true;
    --active_parts_;
  }
  parts_ended_.notify_all();
}

// The parts are merged (and the package hashed) while they arrive; the outcome is decided once
// every part thread has ended.
void CMTCurlDownloader::waitForFinishThreadFun() {
  PartMerger merger(parts_, url_md5_.size() == kMd5Length);
  const bool merged = merger.Follow([this] { return WaitForPartProgress(); });
  WaitForPartsToEnd();
  if (stopping_) return;
  for (const auto& part : parts_) {
    if (part->status != kPartComplete) {
      const int status = part->status;
      merger.Restore();
      ReleaseParts();
      if (LastReportedPercent() == 0.0) DeletePartFiles();
      FailAttempt(status);
      return;
    }
  }
  SetLastReportedPercent(0.0);
  if (!merged || !merger.Close() || !RenameToPackage()) {
    LogLine(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__, L"merge failed\r\n");
    std::remove(package_path_ansi_.c_str());
    ReleaseParts();
    DeletePartFiles();
    FailAttempt(kMergeFailed);
    return;
  }
  VerifyAndFinish(merger.Digest());
}

bool CMTCurlDownloader::WaitForPartProgress() {
  std::unique_lock<std::mutex> hold(active_lock_);
  parts_ended_.wait_for(hold, std::chrono::milliseconds(kMergePollMilliseconds));
  return !stopping_;
}

void CMTCurlDownloader::WaitForPartsToEnd() {
  std::unique_lock<std::mutex> hold(active_lock_);
  parts_ended_.wait(hold, [this] { return active_parts_ == 0 || stopping_; });
}

// The first part file holds the whole file now and takes the package's name.
bool CMTCurlDownloader::RenameToPackage() {
  for (size_t i = 1; i < parts_.size(); ++i) {
    LogLine(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__, L"partPath::%s\r\n",
            MultiByteToWide(PartPath(static_cast<int>(i)), CP_ACP).c_str());
  }
  std::remove(package_path_ansi_.c_str());
  if (std::rename(PartPath(0).c_str(), package_path_ansi_.c_str()) != 0) return false;
  DeletePartFiles();
  return FileSizeOf(package_path_ansi_) == file_length_;
}

void CMTCurlDownloader::VerifyAndFinish(const Md5::Digest& digest) {
  if (url_md5_.size() != kMd5Length) {
    Emit(DL_CODE_MD5_ERROR, 0.0, L"mtcurl获取url-md5失败");
  } else if (DigestHex(digest) != url_md5_) {
    Emit(DL_CODE_MD5_ERROR, 0.0, L"mtcurl文件md5校验失败");
    std::remove(package_path_ansi_.c_str());
    ReleaseParts();
    if (retried_) {
      LogLine(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__,
              L"finish recv, md5 chaek failed and retry failed.\r\n");
      FinishAttempt(DL_CODE_FAIL, 0.0);
    } else {
      retried_ = true;
      LogLine(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__,
              L"finish recv, md5 chaek failed retry once.\r\n");
      FinishAttempt(DL_CODE_RETRY, 0.0);
    }
    return;
  }
  LogLine(L"CMTCurlDownloader::waitForFinishThreadFun", __LINE__, L"finish recv\r\n");
  ReleaseParts();
  FinishAttempt(DL_CODE_SUCCESS, 0.0);
}

// After the final failure nothing will resume the part files, so they go as well.
void CMTCurlDownloader::FailAttempt(int status) {
  if (retried_) {
    SetLastReportedPercent(0.0);
    DeletePartFiles();
    FinishAttempt(DL_CODE_FAIL, status);
  } else {
    retried_ = true;
    FinishAttempt(DL_CODE_RETRY, status);
  }
}

// The attempt is over before its final event goes out, so that the receiver may start the
// next one from inside the event.
void CMTCurlDownloader::FinishAttempt(int code, double progress) {
  {
    std::lock_guard<std::mutex> hold(control_lock_);
    attempt_active_ = false;
  }
  Emit(code, progress, kLibCurl);
  LaunchPendingAttempt();
}

int CMTCurlDownloader::ProgressFunction(void* self, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/,
                                        curl_off_t /*ultotal*/, curl_off_t /*ulnow*/) {
  CMTCurlDownloader* downloader = static_cast<CMTCurlDownloader*>(self);
  if (downloader->stopping_) return 1;
  downloader->ReportProgress();
  return 0;
}

int CMTCurlDownloader::AbortWhenStopping(void* self, curl_off_t /*dltotal*/,
                                         curl_off_t /*dlnow*/, curl_off_t /*ultotal*/,
                                         curl_off_t /*ulnow*/) {
  return static_cast<CMTCurlDownloader*>(self)->stopping_ ? 1 : 0;
}

// Bytes that earlier attempts left in the part files count too. The event goes out under
// the lock, so that the percentages of the two range threads arrive in rising order. libcurl
// calls this after every read on both range threads: within the same second they return
// before the lock, which under Wine costs a server round trip whenever the threads meet.
void CMTCurlDownloader::ReportProgress() {
  const int64_t now = clock_();
  if (now <= last_progress_time_) return;
  std::lock_guard<std::mutex> hold(progress_lock_);
  if (now <= last_progress_time_) return;
  last_progress_time_ = now;
  double percent = 0.0;
  if (file_length_ > kShortestFile) {
    for (const auto& part : parts_) {
      const int64_t downloaded = part->downloaded;
      if (downloaded > 0) {
        percent += static_cast<double>(downloaded) * 100.0 / static_cast<double>(file_length_);
      }
    }
  }
  if (percent > 100.0) return;
  if (percent - last_reported_percent_ >= 1.0) {
    last_reported_percent_ = percent;
    Emit(DL_CODE_PROGRESS, percent / 100.0, L"");
  }
}

double CMTCurlDownloader::LastReportedPercent() {
  std::lock_guard<std::mutex> hold(progress_lock_);
  return last_reported_percent_;
}

void CMTCurlDownloader::SetLastReportedPercent(double percent) {
  std::lock_guard<std::mutex> hold(progress_lock_);
  last_reported_percent_ = percent;
}

void CMTCurlDownloader::ReleaseParts() { parts_.clear(); }

void CMTCurlDownloader::DeletePartFiles() {
  std::remove(PartPath(0).c_str());
  std::remove(PartPath(1).c_str());
}

std::string CMTCurlDownloader::PartPath(int index) const {
  return ::PartPath(package_path_ansi_, index);
}

void CMTCurlDownloader::Emit(int code, double progress, const wchar_t* text) {
  if (stopping_ || !callback_) return;
  callback_(code, progress, text);
}
