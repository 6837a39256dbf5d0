// Runs the downloaded setup package silently and turns the lines it prints into install
// events. A runner can be started again; each run has its own worker thread, and every event
// of a run is sent on that thread in the order of the package's lines.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/console_process.h"
#include "app/thread.h"
#include "engine/console_protocol.h"
#include "engine/install_event.h"

class CInstaller {
 public:
  struct InstallVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
  };

  // `package` is already wrapped in double quotes; `install_dir` may be empty.
  CInstaller(InstallEventCallback callback, std::wstring package, std::wstring install_dir,
             bool ssc, bool dsc, bool adminact);
  ~CInstaller();  // waits for the worker
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // Waits for the previous run's worker, then starts a new one and returns at once.
  void Start();

  std::wstring BuildCommandLine() const;

  // Emits the events of one piece of output; the code page of later pieces follows its
  // "Encode=" lines.
  ParseResult Parse(const std::wstring& text);

  void SetDsc(bool dsc) { dsc_ = dsc; }
  void SetSsc(bool ssc) { ssc_ = ssc; }
  void SetAdminact(bool adminact) { adminact_ = adminact; }
  void SetAuthorizationact(bool authorizationact) { authorizationact_ = authorizationact; }
  void SetInstallLanguage(std::wstring language) { install_language_ = std::move(language); }

  // The last "InstallVersion=" the package reported.
  const InstallVersion& install_version() const { return install_version_; }

 private:
  void RunThread();
  void ParseLine(std::wstring_view line, ParseResult* result);
  void ParseState(std::wstring_view value, ParseResult* result);
  void ParseInstallVersion(std::wstring_view value);
  void Emit(int code, double progress, const std::wstring& text = std::wstring());

  InstallEventCallback callback_;
  std::wstring package_;
  std::wstring install_dir_;
  std::wstring command_line_;
  bool ssc_;
  bool dsc_;
  unsigned code_page_ = 0;  // kept across runs
  std::unique_ptr<Utils::Thread> thread_;
  std::unique_ptr<ConsoleProcess> process_;
  InstallVersion install_version_;
  bool adminact_;
  bool authorizationact_ = true;
  std::wstring install_language_;
};
