#include "tests/support/debugger_output.h"

#include <vector>

#include "app/scoped_handle.h"

namespace {

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// The string lives in the debuggee; some systems deliver wide strings, Wine delivers ANSI.
std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const size_t unit = info.fUnicode ? sizeof(wchar_t) : sizeof(char);
  std::vector<char> bytes(static_cast<size_t>(info.nDebugStringLength) * unit + unit, '\0');
  SIZE_T read = 0;
  ::ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size() - unit, &read);
  if (info.fUnicode) {
    return Utf8FromWide(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data())));
  }
  return Utf8FromWide(WideFromAnsi(std::string(bytes.data())));
}

// The four-word record of the thread-naming convention: type, name pointer, thread id, flags.
std::string ReadThreadName(HANDLE process, const EXCEPTION_RECORD& record) {
  if (record.NumberParameters < 2) return {};
  char name[256] = {};
  SIZE_T read = 0;
  ::ReadProcessMemory(process, reinterpret_cast<const void*>(record.ExceptionInformation[1]),
                      name, sizeof(name) - 1, &read);
  return std::string(name);
}

constexpr DWORD kSetThreadNameException = 0x406D1388;

}  // namespace

DebuggedRun RunUnderDebugger(const std::wstring& command_line, DWORD time_limit_ms) {
  DebuggedRun run;
  std::wstring writable = command_line;  // CreateProcessW may modify the command line in place
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &info)) {
    return run;
  }
  run.started = true;
  run.process_id = info.dwProcessId;
  run.main_thread_id = info.dwThreadId;
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);

  const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    DEBUG_EVENT event = {};
    if (now >= deadline ||
        !::WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now))) {
      ::TerminateProcess(process.get(), 1);
      ::DebugActiveProcessStop(run.process_id);
      return run;
    }
    DWORD continue_status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT: {
        ScopedHandle image_file(event.u.CreateProcessInfo.hFile);
        break;
      }
      case LOAD_DLL_DEBUG_EVENT: {
        ScopedHandle image_file(event.u.LoadDll.hFile);
        break;
      }
      case OUTPUT_DEBUG_STRING_EVENT:
        run.lines.push_back(ReadDebugString(process.get(), event.u.DebugString));
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode == kSetThreadNameException) {
          run.thread_names.push_back(
              ReadThreadName(process.get(), event.u.Exception.ExceptionRecord));
        }
        // Only the loader's initial breakpoint is ours; everything else goes to the program.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continue_status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.exit_code = event.u.ExitProcess.dwExitCode;
        run.finished = true;
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        return run;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continue_status);
  }
}
