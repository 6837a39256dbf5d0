// The demo package's uninstaller, installed as "uninst.ep". The installer runs a copy of it
//   "<copy>" /S -adminact=B -authorizationact=B -console=show _?=D
// and it removes from D exactly the files the package installed, then D itself when that
// left it empty, reporting each step on its standard output. A file it cannot delete (the
// program still running) ends the run with "Error=".
#include <windows.h>

#include <string>

#include "tools/demo_package/install_layout.h"
#include "tools/demo_package/protocol_writer.h"
#include "tools/demo_package/setup_switches.h"

namespace {

// True when the file is gone afterwards, also when it was never there.
bool RemoveFile(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool Uninstall(const std::wstring& folder, ProtocolWriter* out) {
  if (folder.empty()) {
    out->Line(L"Error", L"未指定安装目录");
    return false;
  }
  // The program first: it is the file most likely in use, and nothing is lost yet if so.
  const wchar_t* const files[] = {kProductFile, kConfigFile, kSetFile, kUninstallerFile};
  int removed = 0;
  for (const wchar_t* file : files) {
    const std::wstring path = folder + L"\\" + file;
    if (!RemoveFile(path)) {
      out->Line(L"Error", L"无法删除文件：" + path);
      return false;
    }
    ++removed;
    out->Progress(0.2 * removed);
  }
  ::RemoveDirectoryW(folder.c_str());  // only succeeds when nothing else is in it
  out->Progress(1.0);
  out->Line(L"State", L"Success");
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring command_line = ::GetCommandLineW();
  ProtocolWriter out(HasArgument(command_line, L"-console=show"));
  out.AnnounceUtf8();
  return Uninstall(TrailingSwitchValue(command_line, L"_?="), &out) ? 0 : 1;
}
