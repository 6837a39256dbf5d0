#include "engine/installer.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cwchar>

#include "app/debug_log.h"
#include "app/installer_settings.h"
#include "engine/child_output.h"
#include "engine/runner_worker.h"

namespace {

enum class Action {
  kProgress,
  kText,  // emit the entry's code with the text value
  kState,
  kInstallVersion,
  kExePath,
  kError,
  kNumber,  // emit the entry's code with the integer value as an unsigned 32-bit number
  kStartupStyle,
  kEncode,
};

struct KeyEntry {
  const wchar_t* key;
  Action action;
  int code;
};

// Tested in this order; the first key that starts the line wins.
constexpr KeyEntry kKeys[] = {
    {L"Progress=", Action::kProgress, IST_CODE_PROGRESS},
    {L"InstPath=", Action::kText, IST_CODE_INST_PATH},
    {L"State=", Action::kState, 0},
    {L"InstallVersion=", Action::kInstallVersion, 0},
    {L"ExePath=", Action::kExePath, IST_CODE_EXE_PATH},
    {L"StartExe=", Action::kText, IST_CODE_EXE_PATH},
    {L"UninstExePath=", Action::kText, IST_CODE_UNINST_EXE},
    {L"UninstExe=", Action::kText, IST_CODE_UNINST_EXE},
    {L"UninstEp=", Action::kText, IST_CODE_UNINST_EP},
    {L"Error=", Action::kError, IST_CODE_FAIL},
    {L"TopShowDetention=", Action::kNumber, IST_CODE_TOP_SHOW_DETENTION},
    // The protocol spells this key so; the correctly spelt one is not recognised.
    {L"FinsihCloseDetention=", Action::kNumber, IST_CODE_FINISH_CLOSE_DETENTION},
    {L"StartUrl=", Action::kText, IST_CODE_START_URL},
    {L"StartupStyle=", Action::kStartupStyle, IST_CODE_STARTUP_STYLE},
    {L"Encode=", Action::kEncode, 0},
    {L"Message=", Action::kText, IST_CODE_MESSAGE},
};

double StartupStyle(const std::wstring& name) {
  if (name == L"AutoStartup") return 1;
  if (name == L"UserStartup") return 2;
  return 0;  // "NonStartup" and anything unknown
}

// A number that names no code page the system can decode would make every later line
// unreadable, so it falls back to the ANSI code page like any other unusable value.
unsigned CodePageFromEncodeValue(const std::wstring& value) {
  if (value == L"UTF8") return kUtf8CodePage;
  if (value == L"ACP") return kAnsiCodePage;
  if (value.empty() || value[0] < L'0' || value[0] > L'9') return kAnsiCodePage;
  wchar_t* end = nullptr;
  errno = 0;
  const unsigned long number = std::wcstoul(value.c_str(), &end, 10);
  if (errno == ERANGE || number > UINT32_MAX) return kAnsiCodePage;
  if (number != kAnsiCodePage && !::IsValidCodePage(static_cast<UINT>(number))) {
    return kAnsiCodePage;
  }
  return static_cast<unsigned>(number);
}

}  // namespace

CInstaller::CInstaller(InstallEventCallback callback, std::wstring package,
                       std::wstring install_dir, bool ssc, bool dsc, bool adminact)
    : callback_(std::move(callback)),
      package_(std::move(package)),
      install_dir_(std::move(install_dir)),
      ssc_(ssc),
      dsc_(dsc),
      adminact_(adminact) {}

CInstaller::~CInstaller() { thread_.reset(); }

void CInstaller::Start() {
  thread_.reset();  // the previous run may still be reading the command line
  command_line_ = BuildCommandLine();
  if (!StartRunnerWorker(&thread_, L"ABDEF", [this] { RunThread(); })) {
    Emit(IST_CODE_FAIL, 2.0);  // the pipeline must not wait for a run that never began
  }
}

std::wstring CInstaller::BuildCommandLine() const {
  std::wstring line = package_;
  line += L" /S -console=show -version=1.0.0";
  line += std::wstring(L" -adminact=") + SwitchValue(adminact_);
  line += std::wstring(L" -authorizationact=") + SwitchValue(authorizationact_);
  line += std::wstring(L" -dsc=") + SwitchValue(dsc_);
  line += std::wstring(L" -ssc=") + SwitchValue(ssc_);
  if (!install_language_.empty()) line += L" -inslang=\"" + install_language_ + L"\"";
  if (!InstallerSettings::m_InstCmd.empty()) line += L" " + InstallerSettings::m_InstCmd;
  if (!install_dir_.empty()) {
    line += L" -instdir=\"" + install_dir_ + L"\" /D=" + install_dir_;
  }
  return line;
}

void CInstaller::RunThread() {
  Emit(IST_CODE_START, 0.0);
  Emit(IST_CODE_PROGRESS, 0.0);
  process_ = LaunchChild(command_line_);
  if (!process_) {
    Emit(IST_CODE_FAIL, 2.0);
    return;
  }
  ChildOutput output(process_->output(), process_->process());
  std::wstring text;
  while (output.Next(code_page_, &text)) {
    if (Parse(text) != kNoFinalState) {
      // The final event is out; the child only has to end.
      output.DiscardUntilExit();
      process_.reset();
      return;
    }
  }
  process_.reset();
  Emit(IST_CODE_SUCCESS, 1.0);  // ended without a final state; the exit code is not examined
}

ParseResult CInstaller::Parse(const std::wstring& text) {
  return ParseLines(
      text, [this](std::wstring_view line, ParseResult* result) { ParseLine(line, result); });
}

void CInstaller::ParseLine(std::wstring_view line, ParseResult* result) {
  std::wstring_view value;
  const KeyEntry* entry = FindKey(kKeys, line, &value);
  if (entry == nullptr) return;
  switch (entry->action) {
    case Action::kProgress:
      Emit(entry->code, NumberValue(value));
      return;
    case Action::kText:
      Emit(entry->code, 0.0, TextValue(value));
      return;
    case Action::kState:
      ParseState(value, result);
      return;
    case Action::kInstallVersion:
      ParseInstallVersion(value);
      return;
    case Action::kExePath:
      LogLine(L"CInstaller::Parse", __LINE__, L"ExePath: %s", TextValue(value).c_str());
      Emit(entry->code, 0.0, TextValue(value));
      return;
    case Action::kError:
      Emit(entry->code, 1000.0, TextValue(value));
      *result = kFinalFailure;
      return;
    case Action::kNumber:
      Emit(entry->code, static_cast<double>(static_cast<uint32_t>(IntegerValue(value))));
      return;
    case Action::kStartupStyle:
      Emit(entry->code, StartupStyle(TrimmedValue(value)));
      return;
    case Action::kEncode:
      code_page_ = CodePageFromEncodeValue(TrimmedValue(value));
      return;
  }
}

void CInstaller::ParseState(std::wstring_view value, ParseResult* result) {
  const std::wstring state = TrimmedValue(value);
  if (state == L"Success") {
    Emit(IST_CODE_SUCCESS, 0.0);
    *result = kFinalSuccess;
  } else if (state == L"Fail") {
    Emit(IST_CODE_FAIL, 0.0, L"安装包安装失败");
    *result = kFinalFailure;
  }
}

// Numbers that cannot be read leave the stored ones unchanged, the way "%d.%d.%d" does.
void CInstaller::ParseInstallVersion(std::wstring_view value) {
  int* const parts[] = {&install_version_.major, &install_version_.minor, &install_version_.patch};
  std::wstring_view rest = value;
  for (size_t i = 0; i < 3; ++i) {
    if (i > 0) {
      if (rest.empty() || rest[0] != L'.') return;
      rest.remove_prefix(1);
    }
    if (!ReadInteger(rest, parts[i], &rest)) return;
  }
}

void CInstaller::Emit(int code, double progress, const std::wstring& text) {
  callback_(code, progress, text.c_str());
}
