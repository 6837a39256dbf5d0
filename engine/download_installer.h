// The download-install pipeline: removes an older version silently (when there is one),
// downloads the setup package into the target folder, runs it silently and deletes it again.
// The phases follow each other only through events, on the workers of the runners and the
// downloader; every event is handed on to the owner's callback first, then acted on.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "engine/downloader.h"
#include "engine/install_event.h"
#include "engine/installer.h"
#include "engine/uninstaller.h"

// The package's path in a target folder: installDir + "\__Package_Nimbrel.exe".
std::wstring PackagePathIn(const std::wstring& install_dir);

class CDownloadInstaller {
 public:
  CDownloadInstaller(InstallEventCallback callback, std::wstring url,
                     std::wstring old_uninstaller_path, std::wstring install_dir, bool dsc,
                     bool ssc, bool adminact);
  // Stops chaining, then releases the uninstaller runner, the downloader and the package
  // runner in this order, each waiting for its workers.
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  void SetParams(std::wstring url, std::wstring old_uninstaller_path, std::wstring install_dir,
                 bool dsc, bool ssc, bool adminact, bool authorizationact,
                 std::wstring install_language);

  // On the user-interface thread: starts the first phase and returns.
  void Start();

  // installDir + "\__Package_Nimbrel.exe", as computed by the last Start.
  std::wstring packagePath() const;

 private:
  void PrepareRunners();
  void StartUninstaller();
  // `package_path` is the package of the runner that reports: a later run may already have
  // moved the pipeline to another folder.
  void OnDownloadEvent(const std::wstring& package_path, int code, double progress,
                       const wchar_t* text);
  void OnUninstallEvent(int code, double progress, const wchar_t* text);
  void OnInstallEvent(const std::wstring& package_path, int code, double progress,
                      const wchar_t* text);
  void CleanUpPackage(const std::wstring& package_path);
  std::wstring InstallDir() const;

  std::unique_ptr<CUnInstaller> uninstaller_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<CInstaller> installer_;
  std::wstring url_;
  std::wstring old_uninstaller_path_;
  std::wstring install_dir_;   // under paths_lock_
  std::wstring package_path_;  // under paths_lock_
  std::wstring install_language_;
  bool dsc_;
  bool ssc_;
  bool adminact_;
  bool authorizationact_ = true;
  InstallEventCallback callback_;

  // What the downloader and the package runner were built with: another target folder or URL
  // gets new ones, so that a repeated start downloads and installs where it was asked to.
  std::wstring built_url_;
  std::wstring built_package_path_;
  mutable std::mutex paths_lock_;
  std::atomic<bool> stopping_{false};
};
