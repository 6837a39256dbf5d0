#include "engine/uninstaller.h"

#include <windows.h>

#include "app/privileges.h"
#include "engine/child_output.h"
#include "engine/runner_worker.h"

namespace {

enum class Action { kProgress, kError, kState, kEncode };

struct KeyEntry {
  const wchar_t* key;
  Action action;
};

constexpr KeyEntry kKeys[] = {
    {L"Progress=", Action::kProgress},
    {L"Error=", Action::kError},
    {L"State=", Action::kState},
    {L"Encode=", Action::kEncode},
};

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

CUnInstaller::CUnInstaller(InstallEventCallback callback, std::wstring uninstaller_path,
                           std::wstring old_install_dir)
    : callback_(std::move(callback)),
      uninstaller_path_(std::move(uninstaller_path)),
      old_install_dir_(std::move(old_install_dir)) {}

CUnInstaller::~CUnInstaller() { thread_.reset(); }

void CUnInstaller::Start() {
  thread_.reset();  // a second start must not change the line a running worker reads
  command_line_ = BuildCommandLine();
  if (!StartRunnerWorker(&thread_, L"UnInstaller", [this] { RunThread(); })) {
    Emit(UNIST_CODE_FAIL, 2.0);  // the pipeline must not wait for a run that never began
  }
}

// Built whole rather than into a fixed buffer: a cut-off "_?=" folder would name another
// folder. A line that is too long is refused by the launch instead. The program path is quoted:
// unquoted, a space in the temp folder's path lets the system try the text before the space
// as a program first.
std::wstring CUnInstaller::BuildCommandLine() const {
  std::wstring line = L"\"" + uninstaller_path_ + L"\"";
  line += L" /S -adminact=";
  line += SwitchValue(IsConsoleUserAdmin());
  line += L" -authorizationact=";
  line += SwitchValue(IsProcessInAdminGroup());
  line += L" -console=show _?=" + old_install_dir_;
  return line;
}

void CUnInstaller::RunThread() {
  if (!IsFile(uninstaller_path_)) {
    Emit(UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在");
    return;
  }
  Emit(UNIST_CODE_PROGRESS, 0.0);
  process_ = LaunchChild(command_line_);
  if (!process_) {
    Emit(UNIST_CODE_FAIL, 2.0);
    return;
  }
  // Output is read until the child has ended, also after its final state. A final line has
  // sent its own event, so only a child that ended silently is reported as a success here.
  bool ok = true;
  ChildOutput output(process_->output(), process_->process());
  std::wstring text;
  while (output.Next(code_page_, &text)) {
    if (Parse(text) != kNoFinalState) {
      ok = false;
    }
  }
  process_.reset();
  if (ok) Emit(UNIST_CODE_SUCCESS, 1.0);
}

ParseResult CUnInstaller::Parse(const std::wstring& text) {
  return ParseLines(
      text, [this](std::wstring_view line, ParseResult* result) { ParseLine(line, result); });
}

void CUnInstaller::ParseLine(std::wstring_view line, ParseResult* result) {
  std::wstring_view value;
  const KeyEntry* entry = FindKey(kKeys, line, &value);
  if (entry == nullptr) return;
  switch (entry->action) {
    case Action::kProgress:
      Emit(UNIST_CODE_PROGRESS, NumberValue(value));
      return;
    case Action::kError:
      Emit(UNIST_CODE_ERROR, 0.0, TextValue(value));
      *result = kFinalFailure;
      return;
    case Action::kState: {
      const std::wstring state = TrimmedValue(value);
      if (state == L"Success") {
        Emit(UNIST_CODE_SUCCESS, 0.0);
        *result = kFinalSuccess;
      } else if (state == L"Fail") {
        Emit(UNIST_CODE_ERROR, 0.0, L"安装包卸载失败");
        *result = kFinalFailure;
      }
      return;
    }
    case Action::kEncode:
      code_page_ = TrimmedValue(value) == L"UTF8" ? kUtf8CodePage : kAnsiCodePage;
      return;
  }
}

void CUnInstaller::Emit(int code, double progress, const std::wstring& text) {
  callback_(code, progress, text.c_str());
}
