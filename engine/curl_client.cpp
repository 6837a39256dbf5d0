#include "engine/curl_client.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/debug_log.h"
#include "app/text_encoding.h"
#include "engine/curl_transfer_limits.h"
#include "engine/scoped_c_file.h"

namespace {

using namespace CurlTransferLimits;

constexpr long kKeepAliveSeconds = 10;
constexpr size_t kMaximumErrorText = 200;
// The C runtime writes in 4 KiB pieces by default, each a system call.
constexpr size_t kPartFileBuffer = 1 << 20;

int64_t FileSize(const std::string& ansi_path) {
  struct _stat64 status;
  if (_stat64(ansi_path.c_str(), &status) != 0) return -1;
  return status.st_size;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file));
}

int64_t SystemSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

void LogResult(const wchar_t* source, int line, int result) {
  LogLine(source, line, L"error:%d:%s\r\n", result, CurlErrorText(result).c_str());
}

// The options every header probe shares; 0 when all of them were taken.
int SetProbeOptions(CURL* curl, const std::string& url) {
  int failed = 0;
  failed |= curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  failed |= curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DiscardBody);
  failed |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  return failed;
}

int SetRedirectOptions(CURL* curl) {
  int failed = curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaximumRedirects);
  return failed;
}

}  // namespace

std::string CurlUrlBytes(const std::wstring& url) {
  const bool local_file = url.compare(0, 8, L"file:///") == 0;
  return WideToMultiByte(url, local_file ? CP_ACP : CP_UTF8);
}

CurlClient::CurlClient(std::wstring url, std::wstring save_path, void* user_data,
                       ProgressHook hook)
    : url_(std::move(url)),
      save_path_(std::move(save_path)),
      user_data_(user_data),
      progress_hook_(hook),
      clock_(&SystemSeconds) {}

CurlClient::~CurlClient() {
  stop_requested_ = true;
  std::remove(WideToMultiByte(GetFilePath(true), CP_ACP).c_str());
}

std::wstring CurlClient::GetFilePath(bool part) const {
  return part ? save_path_ + L".part" : save_path_;
}

int CurlClient::Start() {
  LogLine(L"CurlClient::Start", __LINE__, L"start download\r\n");
  const std::string part_path = WideToMultiByte(GetFilePath(true), CP_ACP);
  const std::string final_path = WideToMultiByte(save_path_, CP_ACP);
  ProbeServer(CurlUrlBytes(url_));
  const int result = HasUsableLength() ? Transfer(part_path) : kLengthMissing;
  LogResult(L"CurlClient::Start", __LINE__, result);
  const int outcome = result == 0 ? ReplaceTarget(part_path, final_path) : result;
  LogLine(L"CurlClient::Start", __LINE__, L"end download\r\n");
  return outcome;
}

void CurlClient::ProbeServer(const std::string& url_bytes) {
  if (!HasUsableLength()) {
    ScopedCurl handle = Head(url_bytes);
    if (handle) {
      real_url_ = GetEffectiveUrl(handle.get());
      file_length_ = GetDownloadFileLength(handle.get());
    }
  }
  if (!HasUsableLength()) {
    real_url_ = GetRealUrl_Str(url_bytes);
    if (!real_url_.empty()) file_length_ = GetDownloadFileLength_Str(real_url_);
  }
}

int CurlClient::Transfer(const std::string& part_path) {
  ScopedCurl curl(curl_easy_init());
  if (!curl) return kNoHandle;
  DiscardForeignPartFile(part_path);
  ScopedCFile part(std::fopen(part_path.c_str(), "ab+"));
  if (!part) {
    const char* text = std::strerror(errno);
    last_error_ = MultiByteToWide(std::string(text, strnlen(text, kMaximumErrorText)), CP_ACP);
    return kPartFileNotOpened;
  }
  std::setvbuf(part.get(), nullptr, _IOFBF, kPartFileBuffer);
  curl_ = curl.get();
  const int result = TransferInto(curl.get(), part.get(), part_path);
  curl_ = nullptr;
  return result;
}

// A part file longer than the file on the server is not a beginning of it; resuming would
// append to it (or be answered "range not satisfiable", which libcurl takes as success).
void CurlClient::DiscardForeignPartFile(const std::string& part_path) {
  if (static_cast<double>(FileSize(part_path)) > file_length_) std::remove(part_path.c_str());
}

int CurlClient::TransferInto(CURL* curl, FILE* part, const std::string& part_path) {
  ScopedCurlList headers;
  AppendHeader(headers, "Connection: keep-alive");
  // Asking for compression would store a compressed body as the file: libcurl decodes only
  // through its own option, and decoding cannot resume in the middle of a stream.
  AppendHeader(headers, "Accept-Encoding: identity");
  int failed = SetTransferOptions(curl, part, headers.get());
  last_progress_time_ = 0;
  resume_offset_ = FileSize(part_path);
  if (resume_offset_ > 0) {
    failed |= curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE,
                               static_cast<curl_off_t>(resume_offset_));
  }
  if (failed != 0) return failed;
  // Every byte is already here; asking for the range after the end would only be refused.
  if (static_cast<double>(resume_offset_) == file_length_) return 0;
  return curl_easy_perform(curl);
}

int CurlClient::SetTransferOptions(CURL* curl, FILE* part, curl_slist* headers) {
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(curl, CURLOPT_TCP_KEEPIDLE, kKeepAliveSeconds);
  curl_easy_setopt(curl, CURLOPT_TCP_KEEPINTVL, kKeepAliveSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaximumRedirects);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
  int failed = 0;
  failed |= curl_easy_setopt(curl, CURLOPT_URL, real_url_.c_str());
  failed |= curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
  failed |= curl_easy_setopt(curl, CURLOPT_WRITEDATA, part);
  failed |= curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  failed |= curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
  failed |= curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
  failed |= curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  failed |= curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  return failed;
}

// A finished transfer that cannot take the target's place is no success: the caller would
// otherwise go on with an old file of that name, or with none.
int CurlClient::ReplaceTarget(const std::string& part_path, const std::string& final_path) {
  std::remove(final_path.c_str());
  if (std::rename(part_path.c_str(), final_path.c_str()) == 0) return 0;
  LogLine(L"CurlClient::Start", __LINE__, L"rename failed, errno %d\r\n", errno);
  return kRenameFailed;
}

ScopedCurl CurlClient::Head(const std::string& url) {
  ScopedCurl curl(curl_easy_init());
  if (!curl) return curl;
  int result = SetProbeOptions(curl.get(), url) | SetRedirectOptions(curl.get());
  if (result == 0) {
    result = curl_easy_perform(curl.get());
    if (result != 0) {
      LogLine(L"CurlClient::Head", __LINE__, L"error:%d:%s", result, CurlErrorText(result).c_str());
    }
  }
  LogResult(L"CurlClient::Head", __LINE__, result);
  return curl;
}

namespace {

bool IsLocalFileTransfer(CURL* handle) {
  const char* scheme = nullptr;
  return curl_easy_getinfo(handle, CURLINFO_SCHEME, &scheme) == CURLE_OK && scheme != nullptr &&
         _stricmp(scheme, "FILE") == 0;
}

}  // namespace

double CurlClient::GetDownloadFileLength(CURL* handle) {
  curl_off_t length = -1;
  const CURLcode result = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  LogResult(L"CurlClient::GetDownloadFileLength", __LINE__, result);
  long status = 0;
  if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) return -1.0;
  // A local file has no status line: libcurl reports 0, and the length is the file's size.
  if (status == 0 && IsLocalFileTransfer(handle)) return static_cast<double>(length);
  if (status < 200 || status >= 400) return -1.0;
  return static_cast<double>(length);
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  std::string real_url;
  ScopedCurl curl(curl_easy_init());
  if (curl && (SetProbeOptions(curl.get(), url) | SetRedirectOptions(curl.get())) == 0) {
    const int result = curl_easy_perform(curl.get());
    if (result != 0) {
      LogLine(L"CurlClient::GetRealUrl_Str", __LINE__, L"error:%d:%s", result,
              CurlErrorText(result).c_str());
    } else {
      real_url = GetEffectiveUrl(curl.get());
    }
  }
  return real_url.empty() ? url : real_url;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  ScopedCurl curl(curl_easy_init());
  if (!curl) return -1.0;
  curl_off_t length = -1;
  int result = SetProbeOptions(curl.get(), url) | curl_easy_setopt(curl.get(), CURLOPT_HEADER, 1L);
  if (result == 0) {
    curl_easy_perform(curl.get());
    result = curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  }
  LogResult(L"CurlClient::GetDownloadFileLength_Str", __LINE__, result);
  return static_cast<double>(length);
}

int CurlClient::ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow,
                                 curl_off_t /*ultotal*/, curl_off_t /*ulnow*/) {
  CurlClient* self = static_cast<CurlClient*>(client);
  if (self->stop_requested_) return 1;
  const int64_t now = self->clock_();
  if (now <= self->last_progress_time_) return 0;
  self->last_progress_time_ = now;
  const double speed = self->CurrentSpeed();
  const double percent = self->Percent(dltotal, dlnow);
  if (percent == 0.0) return 0;
  self->progress_hook_(self->user_data_, speed, percent);
  if (dltotal != 0) {
    LogLine(L"CurlClient::ProgressCallback", __LINE__,
            L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
            static_cast<int>(dltotal / 1048576), static_cast<double>(static_cast<float>(percent)),
            static_cast<double>(static_cast<float>(speed / 1024)));
  }
  return 0;
}

double CurlClient::CurrentSpeed() const {
  CURL* curl = curl_;
  curl_off_t speed = 0;
  if (curl == nullptr || curl_easy_getinfo(curl, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) {
    return 0.0;
  }
  return static_cast<double>(speed);
}

double CurlClient::Percent(curl_off_t dltotal, curl_off_t dlnow) const {
  if (file_length_ > kMinimumLength) {
    return static_cast<double>(dlnow + resume_offset_) / file_length_ * 100.0;
  }
  if (dlnow <= 0 || dltotal <= 0) return 0.0;
  return static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
}
