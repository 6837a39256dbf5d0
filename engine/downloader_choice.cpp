#include "engine/downloader_choice.h"

#include "engine/curl_downloader.h"
#include "engine/mt_curl_downloader.h"
#include "engine/win_downloader.h"

namespace {

constexpr int kUrlMonikerDownload = 2;
constexpr int kMultiPartDownload = 3;

}  // namespace

std::unique_ptr<CDownloader> CreateDownloader(int download_type, InstallEventCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& package_path) {
  if (download_type == kUrlMonikerDownload) {
    return std::make_unique<CWinDownloader>(std::move(callback), url, package_path);
  }
  if (download_type == kMultiPartDownload) {
    return std::make_unique<CMTCurlDownloader>(std::move(callback), url, package_path);
  }
  return std::make_unique<CCurlDownloader>(std::move(callback), url, package_path);
}
