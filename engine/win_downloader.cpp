#include "engine/win_downloader.h"

#include <cstdint>

#include "engine/com_apartment.h"
#include "engine/http_header.h"
#include "engine/moniker_url.h"

namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryPauseMilliseconds = 1000;
constexpr DWORD kFirstHttpError = 400;

void SystemPause(DWORD milliseconds) { ::Sleep(milliseconds); }

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                              data.nFileSizeLow);
}

}  // namespace

CWinDownloader::CBindCallback::~CBindCallback() { aborted = true; }

// The system asks for further interfaces (authentication, window, ...); only the HTTP
// negotiation is offered, and the out pointer of the others must be null.
HRESULT CWinDownloader::CBindCallback::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == __uuidof(IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOTIMPL;
}

ULONG CWinDownloader::CBindCallback::AddRef() { return 0; }

ULONG CWinDownloader::CBindCallback::Release() { return 0; }

HRESULT CWinDownloader::CBindCallback::OnStartBinding(DWORD /*reserved*/, IBinding* /*binding*/) {
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::GetPriority(LONG* /*priority*/) { return E_NOTIMPL; }

HRESULT CWinDownloader::CBindCallback::OnLowResource(DWORD /*reserved*/) { return E_NOTIMPL; }

HRESULT CWinDownloader::CBindCallback::OnProgress(ULONG progress, ULONG progress_max,
                                                  ULONG /*status_code*/,
                                                  LPCWSTR /*status_text*/) {
  if (aborted) return E_ABORT;
  if (progress_max != 0 && callback) {
    callback(DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progress_max),
             L"");
  }
  return S_OK;
}

HRESULT CWinDownloader::CBindCallback::OnStopBinding(HRESULT /*result*/, LPCWSTR /*error*/) {
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::GetBindInfo(DWORD* /*bind_flags*/, BINDINFO* bind_info) {
  if (bind_info != nullptr) bind_info->dwCodePage = CP_UTF8;
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnDataAvailable(DWORD /*flags*/, DWORD /*size*/,
                                                       FORMATETC* /*format*/,
                                                       STGMEDIUM* /*medium*/) {
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnObjectAvailable(REFIID /*iid*/, IUnknown* /*object*/) {
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::GetBindInfoEx(DWORD* /*bind_flags*/,
                                                     BINDINFO* /*bind_info*/,
                                                     DWORD* /*bind_flags2*/,
                                                     DWORD* /*reserved*/) {
  return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::BeginningTransaction(LPCWSTR /*url*/, LPCWSTR /*headers*/,
                                                            DWORD /*reserved*/,
                                                            LPWSTR* additional_headers) {
  if (additional_headers != nullptr) *additional_headers = nullptr;
  return S_OK;
}

HRESULT CWinDownloader::CBindCallback::OnResponse(DWORD status, LPCWSTR response_headers,
                                                  LPCWSTR /*request_headers*/,
                                                  LPWSTR* additional_request_headers) {
  if (additional_request_headers != nullptr) *additional_request_headers = nullptr;
  httpStatus = status;
  announcedLength = AnnouncedBodyLength(response_headers);
  return S_OK;
}

CWinDownloader::CWinDownloader(InstallEventCallback callback, std::wstring url,
                               std::wstring package_path)
    : callback_(std::move(callback)),
      package_path_(std::move(package_path)),
      url_(std::move(url)),
      retry_pause_(&SystemPause) {
  thread_.Start(this, L"ABDEF", [](void* owner) {
    static_cast<CWinDownloader*>(owner)->RunWorker();
    return 0u;
  });
}

// A worker that never ran is let go so that it ends at once; a running one is aborted through
// the bind callback and between attempts. The thread member joins it.
CWinDownloader::~CWinDownloader() {
  stopping_ = true;
  bind_callback_.aborted = true;
  if (!started_.exchange(true)) thread_.Resume();
}

void CWinDownloader::Start() {
  if (started_.exchange(true)) return;
  bind_callback_.callback = callback_;
  // Without a worker no event would ever come.
  if (!thread_.Resume()) Emit(DL_CODE_FAIL, static_cast<int32_t>(E_FAIL), L"URLDownloadToFile");
}

void CWinDownloader::RunWorker() {
  if (stopping_) return;
  ScopedComApartment apartment(COINIT_APARTMENTTHREADED);
  Emit(DL_CODE_START, 1.0, L"");
  const HRESULT result = DownloadWithAttempts();
  if (result == S_OK) {
    Emit(DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile");
  } else {
    Emit(DL_CODE_FAIL, static_cast<int32_t>(result), L"URLDownloadToFile");
  }
}

HRESULT CWinDownloader::DownloadWithAttempts() {
  const std::wstring target = MonikerUrl(url_);
  HRESULT result = E_FAIL;
  for (int attempt = 1; attempt <= kAttempts && !stopping_; ++attempt) {
    if (attempt > 1) retry_pause_(kRetryPauseMilliseconds);
    result = DownloadOnce(target);
    if (result == S_OK) return result;
  }
  return result;
}

// The system reports success for an error page and for a body cut short, and stores either
// as the package: such a file is removed and the attempt counts as failed.
HRESULT CWinDownloader::DownloadOnce(const std::wstring& target) {
  bind_callback_.httpStatus = 0;
  bind_callback_.announcedLength = -1;
  const HRESULT result = ::URLDownloadToFileW(nullptr, target.c_str(), package_path_.c_str(), 0,
                                              &bind_callback_);
  if (result != S_OK) return result;
  const int64_t announced = bind_callback_.announcedLength;
  const bool error_page = bind_callback_.httpStatus >= kFirstHttpError;
  if (!error_page && (announced < 0 || FileSize(package_path_) == announced)) return result;
  ::DeleteFileW(package_path_.c_str());
  return INET_E_DOWNLOAD_FAILURE;
}

void CWinDownloader::Emit(int code, double progress, const wchar_t* text) {
  if (stopping_ || !callback_) return;
  callback_(code, progress, text);
}
