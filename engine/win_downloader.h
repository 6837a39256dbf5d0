// The downloader on the system's URL-moniker download: one worker, three attempts, progress
// from the bind-status callback; no resume and no MD5 check.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/thread.h"
#include "engine/downloader.h"
#include "engine/install_event.h"

class CWinDownloader : public CDownloader {
 public:
  // Lives inside the downloader, so it is not reference counted. Besides progress it learns
  // the HTTP status through IHttpNegotiate: the system stores an error page as the file and
  // reports success.
  class CBindCallback : public IBindStatusCallbackEx, public IHttpNegotiate {
   public:
    CBindCallback() = default;
    ~CBindCallback();
    CBindCallback(const CBindCallback&) = delete;
    CBindCallback& operator=(const CBindCallback&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progress_max, ULONG status_code,
                                         LPCWSTR status_text) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bind_flags, BINDINFO* bind_info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                              STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;
    HRESULT STDMETHODCALLTYPE GetBindInfoEx(DWORD* bind_flags, BINDINFO* bind_info,
                                            DWORD* bind_flags2, DWORD* reserved) override;
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                   LPWSTR* additional_headers) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR response_headers,
                                         LPCWSTR request_headers,
                                         LPWSTR* additional_request_headers) override;

    InstallEventCallback callback;
    std::atomic<bool> aborted{false};
    std::atomic<DWORD> httpStatus{0};  // of the last response, 0 before any
    // Body length the last response announced; -1 when it announced none, or an encoding
    // that the system undoes on the way to the file.
    std::atomic<int64_t> announcedLength{-1};
  };

  // Creates the worker suspended; Start lets it run.
  CWinDownloader(InstallEventCallback callback, std::wstring url, std::wstring package_path);
  // Aborts a running download and waits for the worker; no event is sent after this began.
  ~CWinDownloader() override;

  // Runs the worker once per object; later calls change nothing.
  void Start() override;

  void SetRetryPause(RetryPause pause) { retry_pause_ = std::move(pause); }

 private:
  void RunWorker();
  HRESULT DownloadWithAttempts();
  HRESULT DownloadOnce(const std::wstring& target);
  void Emit(int code, double progress, const wchar_t* text);

  CBindCallback bind_callback_;
  InstallEventCallback callback_;
  std::wstring package_path_;
  std::wstring url_;
  RetryPause retry_pause_;
  std::atomic<bool> started_{false};
  std::atomic<bool> stopping_{false};
  Utils::Thread thread_;  // last: joined before the members it uses go away
};
