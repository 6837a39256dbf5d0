// Runs the uninstaller of an older installed version, from its copy in the installer's
// temporary folder, and turns the lines it prints into uninstall events. One run per object.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/console_process.h"
#include "app/thread.h"
#include "engine/console_protocol.h"
#include "engine/install_event.h"

class CUnInstaller {
 public:
  CUnInstaller(InstallEventCallback callback, std::wstring uninstaller_path,
               std::wstring old_install_dir);
  ~CUnInstaller();  // waits for the worker
  CUnInstaller(const CUnInstaller&) = delete;
  CUnInstaller& operator=(const CUnInstaller&) = delete;

  // Starts the worker and returns at once.
  void Start();

  std::wstring BuildCommandLine() const;

  ParseResult Parse(const std::wstring& text);

 private:
  void RunThread();
  void ParseLine(std::wstring_view line, ParseResult* result);
  void Emit(int code, double progress, const std::wstring& text = std::wstring());

  InstallEventCallback callback_;
  std::wstring command_line_;
  std::wstring uninstaller_path_;
  std::wstring old_install_dir_;
  unsigned code_page_ = 0;
  std::unique_ptr<Utils::Thread> thread_;
  std::unique_ptr<ConsoleProcess> process_;
};
