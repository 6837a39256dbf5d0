// A stand-in for a setup package or an uninstaller: it writes to its standard output exactly
// what a script tells it, so the runner tests can play every behaviour of a child program.
//
// The script is the file named by a "-script=PATH" argument, else the file beside this
// program named like it with ".script" appended (for runs whose command line a test cannot
// extend, such as the uninstaller's). One command per line, UTF-8:
//   write TEXT      one write of TEXT; escapes \n \r \t \\ and \xHH (any byte)
//   line TEXT       one write of TEXT and a line feed
//   drain           waits until the reader has taken everything written so far
//   flood N         writes N bytes of comment lines, 100 bytes per write
//   sleep MS        sleeps
//   hang            sleeps until killed
//   exit CODE       ends with CODE (without a script command: 0)
//   pidfile PATH    writes this process's id in decimal to PATH
//   argsfile PATH   writes this process's command line in UTF-8 to PATH
//   spawn PATH      starts this program again with the script PATH, passing on the standard
//                   handles (a helper that keeps the output pipe open), and does not wait
// Lines starting with "#" and empty lines are skipped.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "app/scoped_handle.h"
#include "app/text_encoding.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'n') bytes += '\n';
    if (kind == 'r') bytes += '\r';
    if (kind == 't') bytes += '\t';
    if (kind == '\\') bytes += '\\';
    if (kind == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    }
  }
  return bytes;
}

void Write(const std::string& bytes) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

// On a pipe this returns once the reading side has taken every byte written before it.
void Drain() { ::FlushFileBuffers(::GetStdHandle(STD_OUTPUT_HANDLE)); }

void Flood(size_t count) {
  const std::string line = "#" + std::string(98, 'f') + "\n";
  for (size_t sent = 0; sent < count; sent += line.size()) Write(line);
}

void WriteTextFile(const std::wstring& path, const std::string& text) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file)
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string ReadTextFile(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  return text;
}

std::wstring ScriptPath() {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::wstring path;
  for (int i = 1; arguments != nullptr && i < count; ++i) {
    const std::wstring argument = arguments[i];
    if (argument.rfind(L"-script=", 0) == 0) path = argument.substr(8);
  }
  ::LocalFree(arguments);
  if (!path.empty()) return path;
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  return std::wstring(program) + L".script";
}

void Spawn(const std::wstring& script) {
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  // CreateProcessW may modify the command line, so it must be writeable.
  std::wstring command_line = L"\"" + std::wstring(program) + L"\" -script=\"" + script + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return;
  }
  const ScopedHandle process(info.hProcess);
  const ScopedHandle thread(info.hThread);
}

// Runs one command; false when the script says to end, with `exit_code` set.
bool Run(const std::string& command, const std::string& argument, int* exit_code) {
  if (command == "write") Write(Unescape(argument));
  if (command == "line") Write(Unescape(argument) + "\n");
  if (command == "drain") Drain();
  if (command == "flood") Flood(std::strtoul(argument.c_str(), nullptr, 10));
  if (command == "sleep") ::Sleep(std::strtoul(argument.c_str(), nullptr, 10));
  if (command == "hang") ::Sleep(INFINITE);
  if (command == "pidfile") {
    WriteTextFile(MultiByteToWide(argument, CP_UTF8), std::to_string(::GetCurrentProcessId()));
  }
  if (command == "spawn") Spawn(MultiByteToWide(argument, CP_UTF8));
  if (command == "argsfile") {
    WriteTextFile(MultiByteToWide(argument, CP_UTF8),
                  WideToMultiByte(::GetCommandLineW(), CP_UTF8));
  }
  if (command == "exit") {
    *exit_code = std::atoi(argument.c_str());
    return false;
  }
  return true;
}

}  // namespace

int wmain() {
  std::istringstream script(ReadTextFile(ScriptPath()));
  int exit_code = 0;
  std::string text;
  while (std::getline(script, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    const size_t space = text.find(' ');
    const std::string command = text.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : text.substr(space + 1);
    if (!Run(command, argument, &exit_code)) break;
  }
  return exit_code;
}
