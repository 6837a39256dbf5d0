// A child process whose behaviour the tests choose by arguments, handled in order:
//   -out=TEXT   writes TEXT and a newline to standard output
//   -err=TEXT   writes TEXT and a newline to standard error
//   -echoline   copies one line of standard input to standard output
//   -sleep=MS   sleeps MS milliseconds
//   -exit=N     ends with exit code N at once
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

bool HasPrefix(const wchar_t* argument, const wchar_t* prefix, const wchar_t** rest) {
  const size_t length = std::wcslen(prefix);
  if (std::wcsncmp(argument, prefix, length) != 0) return false;
  *rest = argument + length;
  return true;
}

void EchoLine() {
  char line[4096];
  if (std::fgets(line, sizeof(line), stdin) != nullptr) std::fputs(line, stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const wchar_t* value = nullptr;
    if (HasPrefix(argv[i], L"-out=", &value)) std::printf("%ls\n", value);
    if (HasPrefix(argv[i], L"-err=", &value)) std::fprintf(stderr, "%ls\n", value);
    if (HasPrefix(argv[i], L"-sleep=", &value)) {
      ::Sleep(static_cast<DWORD>(std::wcstoul(value, nullptr, 10)));
    }
    if (HasPrefix(argv[i], L"-exit=", &value)) {
      std::fflush(stdout);
      return static_cast<int>(std::wcstol(value, nullptr, 10));
    }
    if (std::wcscmp(argv[i], L"-echoline") == 0) EchoLine();
    std::fflush(stdout);
    std::fflush(stderr);
  }
  return 0;
}
