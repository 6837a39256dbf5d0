#include "engine/download_installer.h"

#include <windows.h>

#include "app/debug_log.h"
#include "app/folders.h"
#include "app/installer_settings.h"
#include "engine/delete_with_retry.h"
#include "engine/downloader_choice.h"

namespace {

const wchar_t kPackageFileStart[] = L"\\__Package_";
const wchar_t kProductId[] = L"Nimbrel";
const wchar_t kUninstallerCopyName[] = L"\\Nimbrel_un_asa.exe";
// "-insnew" asks to wait for an earlier installer to go away before uninstalling; which
// process that is has not been settled, so the wait is a single poll interval.
constexpr DWORD kInsNewPollMilliseconds = 100;
// The package reports its final state before it exits; its file is free once it has.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePauseMilliseconds = 100;

bool IsFile(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The folder of a file path; a drive root keeps its backslash.
std::wstring ParentFolder(const std::wstring& path) {
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, separator);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

// The temporary folder already ends with a backslash, so the joined path holds two in a row,
// which the file system accepts.
std::wstring UninstallerCopyPath() {
  const std::wstring folder = GetInstallerTempFolder();
  if (folder.empty()) return {};
  return folder + kUninstallerCopyName;
}

// The line a handler logs for an event; events without one are not logged.
struct EventLogLine {
  int code;
  const wchar_t* text;
};

template <size_t N>
void LogEvent(const wchar_t* source, const EventLogLine (&lines)[N], int code) {
  for (const EventLogLine& line : lines) {
    if (line.code == code) LogLine(source, __LINE__, L"%s", line.text);
  }
}

// Remembered across pipelines and runs of the process: a package that an earlier run left in
// another target folder is deleted by the next clean-up.
std::mutex last_package_lock;
std::wstring lastPackagePath;

}  // namespace

std::wstring PackagePathIn(const std::wstring& install_dir) {
  return install_dir + kPackageFileStart + kProductId + L".exe";
}

CDownloadInstaller::CDownloadInstaller(InstallEventCallback callback, std::wstring url,
                                       std::wstring old_uninstaller_path, std::wstring install_dir,
                                       bool dsc, bool ssc, bool adminact)
    : url_(std::move(url)),
      old_uninstaller_path_(std::move(old_uninstaller_path)),
      install_dir_(std::move(install_dir)),
      dsc_(dsc),
      ssc_(ssc),
      adminact_(adminact),
      callback_(std::move(callback)) {}

// The uninstaller's worker may start the download and a download thread the package runner:
// each is released before the one it could still start.
CDownloadInstaller::~CDownloadInstaller() {
  stopping_ = true;
  uninstaller_.reset();
  downloader_.reset();
  installer_.reset();
}

void CDownloadInstaller::SetParams(std::wstring url, std::wstring old_uninstaller_path,
                                   std::wstring install_dir, bool dsc, bool ssc, bool adminact,
                                   bool authorizationact, std::wstring install_language) {
  url_ = std::move(url);
  old_uninstaller_path_ = std::move(old_uninstaller_path);
  {
    std::lock_guard<std::mutex> hold(paths_lock_);
    install_dir_ = std::move(install_dir);
  }
  dsc_ = dsc;
  ssc_ = ssc;
  adminact_ = adminact;
  authorizationact_ = authorizationact;
  install_language_ = std::move(install_language);
}

void CDownloadInstaller::Start() {
  {
    std::lock_guard<std::mutex> hold(paths_lock_);
    package_path_ = PackagePathIn(install_dir_);
  }
  LogLine(L"CDownloadInstaller::Start", __LINE__, L"DL_TYPE=%d\r\n",
          InstallerSettings::m_DownloadType);
  // An earlier uninstaller run could still start the download it precedes.
  uninstaller_.reset();
  PrepareRunners();
  if (!IsFile(old_uninstaller_path_)) {
    downloader_->Start();
    return;
  }
  StartUninstaller();
}

std::wstring CDownloadInstaller::packagePath() const {
  std::lock_guard<std::mutex> hold(paths_lock_);
  return package_path_;
}

void CDownloadInstaller::PrepareRunners() {
  const std::wstring package_path = packagePath();
  if (!downloader_ || built_url_ != url_ || built_package_path_ != package_path) {
    downloader_.reset();
    installer_.reset();
    downloader_ = CreateDownloader(
        InstallerSettings::m_DownloadType,
        [this, package_path](int code, double progress, const wchar_t* text) {
          OnDownloadEvent(package_path, code, progress, text);
        },
        url_, package_path);
    installer_ = std::make_unique<CInstaller>(
        [this, package_path](int code, double progress, const wchar_t* text) {
          OnInstallEvent(package_path, code, progress, text);
        },
        L"\"" + package_path + L"\"", InstallDir(), ssc_, dsc_, adminact_);
    built_url_ = url_;
    built_package_path_ = package_path;
  }
  installer_->SetDsc(dsc_);
  installer_->SetSsc(ssc_);
  installer_->SetAdminact(adminact_);
  installer_->SetAuthorizationact(authorizationact_);
  installer_->SetInstallLanguage(install_language_);
}

// The download waits until the uninstallation has succeeded. A copy that could not be made is
// reported by the runner as missing.
void CDownloadInstaller::StartUninstaller() {
  const std::wstring copy_path = UninstallerCopyPath();
  ::CopyFileW(old_uninstaller_path_.c_str(), copy_path.c_str(), FALSE);
  if (InstallerSettings::m_InsNew) ::Sleep(kInsNewPollMilliseconds);
  uninstaller_ = std::make_unique<CUnInstaller>(
      [this](int code, double progress, const wchar_t* text) {
        OnUninstallEvent(code, progress, text);
      },
      copy_path, ParentFolder(old_uninstaller_path_));
  uninstaller_->Start();
}

void CDownloadInstaller::OnDownloadEvent(const std::wstring& package_path, int code,
                                         double progress, const wchar_t* text) {
  static const EventLogLine kLines[] = {
      {DL_CODE_START, L"DL_CODE_START\r\n"},    {DL_CODE_PROGRESS, L"DL_CODE_PROGRESS\r\n"},
      {DL_CODE_SUCCESS, L"DOWNLOAD_SUCCESS\r\n"}, {DL_CODE_FAIL, L"DL_CODE_FAIL\r\n"},
      {DL_CODE_RETRY, L"DL_CODE_RETRY\r\n"},
  };
  callback_(code, progress, text);
  LogEvent(L"CDownloadInstaller::OnDownloadEvent", kLines, code);
  switch (code) {
    case DL_CODE_START:
      CreateFolderTree(InstallDir());
      break;
    case DL_CODE_SUCCESS:
      if (!stopping_) installer_->Start();
      LogLine(L"CDownloadInstaller::OnDownloadEvent", __LINE__, L"DL_CODE_SUCCESS\r\n");
      break;
    case DL_CODE_FAIL:
      CleanUpPackage(package_path);
      break;
    case DL_CODE_RETRY:
      if (!stopping_) downloader_->Start();
      break;
    default:
      break;
  }
}

// A failed or refused uninstallation ends the run: the old version stays, nothing is fetched.
void CDownloadInstaller::OnUninstallEvent(int code, double progress, const wchar_t* text) {
  static const EventLogLine kLines[] = {
      {UNIST_CODE_START, L"UNIST_CODE_START\r\n"},
      {UNIST_CODE_PROGRESS, L"UNIST_CODE_PROGRESS\r\n"},
      {UNIST_CODE_SUCCESS, L"UNIST_CODE_SUCCESS\r\n"},
      {UNIST_CODE_FAIL, L"UNIST_CODE_FAIL\r\n"},
      {UNIST_CODE_ERROR, L"UNIST_CODE_ERROR\r\n"},
  };
  callback_(code, progress, text);
  LogEvent(L"CDownloadInstaller::OnUninstallEvent", kLines, code);
  if (code == UNIST_CODE_SUCCESS && installer_ && !stopping_) downloader_->Start();
}

// A progress line logs the text of a finished download, as the installer always has.
void CDownloadInstaller::OnInstallEvent(const std::wstring& package_path, int code,
                                        double progress, const wchar_t* text) {
  static const EventLogLine kLines[] = {
      {IST_CODE_START, L"IST_CODE_START\r\n"},
      {IST_CODE_PROGRESS, L"DL_CODE_SUCCESS\r\n"},
      {IST_CODE_SUCCESS, L"INSTALL_SUCCESS\r\n"},
      {IST_CODE_FAIL, L"IST_CODE_FAIL\r\n"},
  };
  callback_(code, progress, text);
  LogEvent(L"CDownloadInstaller::OnInstallEvent", kLines, code);
  if (code == IST_CODE_SUCCESS || code == IST_CODE_FAIL) CleanUpPackage(package_path);
}

// Deleting a file that is not there is no error.
void CDownloadInstaller::CleanUpPackage(const std::wstring& package_path) {
  std::wstring previous;
  {
    std::lock_guard<std::mutex> hold(last_package_lock);
    previous.swap(lastPackagePath);
    lastPackagePath = package_path;
  }
  const RetryPause pause = [](DWORD milliseconds) { ::Sleep(milliseconds); };
  DeleteFileWithRetry(package_path, kDeleteAttempts, kDeletePauseMilliseconds, pause);
  if (!previous.empty()) {
    DeleteFileWithRetry(previous, kDeleteAttempts, kDeletePauseMilliseconds, pause);
  }
}

std::wstring CDownloadInstaller::InstallDir() const {
  std::lock_guard<std::mutex> hold(paths_lock_);
  return install_dir_;
}
