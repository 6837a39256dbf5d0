// The product's demo setup package, the program the installer downloads and runs. Started as
//   "<package>" /S -console=show -version=1.0.0 -adminact=B -authorizationact=B -dsc=B -ssc=B
//     [-inslang="xx-YY"] [extra switches] -instdir="D" /D=D
// it installs the demo program and its uninstaller into D (the /D= folder, else -instdir, else
// its own folder), writes "config.ini" and the "Uninstall" section of "set.ini", and reports
// each step on its standard output. A folder it cannot write is refused with "Error=".
#include <windows.h>

#include <string>

#include "app/folders.h"
#include "app/scoped_handle.h"
#include "tools/demo_package/install_layout.h"
#include "tools/demo_package/protocol_writer.h"
#include "tools/demo_package/setup_switches.h"

namespace {

struct SetupRequest {
  std::wstring folder;
  std::wstring language;
  bool console = false;
};

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L"\\/"));
  return folder;
}

SetupRequest ReadRequest(const std::wstring& command_line) {
  SetupRequest request;
  request.folder = TrailingSwitchValue(command_line, L"/D=");
  if (request.folder.empty()) request.folder = ArgumentValue(command_line, L"-instdir=");
  if (request.folder.empty()) request.folder = OwnFolder();
  request.language = ArgumentValue(command_line, L"-inslang=");
  if (request.language.empty()) request.language = kDefaultLanguage;
  request.console = HasArgument(command_line, L"-console=show");
  return request;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  const bool separated = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
  return separated ? folder + name : folder + L"\\" + name;
}

// A folder can exist and still refuse new files (rights, read-only media).
bool CanWriteInto(const std::wstring& folder) {
  const ScopedHandle probe(
      ::CreateFileW(Join(folder, L"~nimbrel_setup_probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return probe.valid();
}

bool ExtractProgram(int resource_id, const std::wstring& path) {
  const HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
  if (resource == nullptr) return false;
  const HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* bytes = loaded == nullptr ? nullptr : ::LockResource(loaded);
  const DWORD size = ::SizeofResource(nullptr, resource);
  if (bytes == nullptr || size == 0) return false;
  const ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}

bool WriteProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                       const std::wstring& value) {
  return ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()) != FALSE;
}

bool Fail(ProtocolWriter* out, const std::wstring& message) {
  out->Line(L"Error", message);
  return false;
}

bool Install(const SetupRequest& request, ProtocolWriter* out) {
  const std::wstring& folder = request.folder;
  out->Progress(0.05);
  if (!CreateFolderTree(folder) || !CanWriteInto(folder)) {
    return Fail(out, L"无法写入安装目录：" + folder);
  }
  const std::wstring product = Join(folder, kProductFile);
  if (!ExtractProgram(IDR_DEMO_PRODUCT, product)) return Fail(out, L"无法写入文件：" + product);
  out->Progress(0.4);
  const std::wstring uninstaller = Join(folder, kUninstallerFile);
  if (!ExtractProgram(IDR_DEMO_UNINSTALLER, uninstaller)) {
    return Fail(out, L"无法写入文件：" + uninstaller);
  }
  out->Progress(0.7);
  const std::wstring config = Join(folder, kConfigFile);
  if (!WriteProfileValue(config, L"Install", L"Language", request.language)) {
    return Fail(out, L"无法写入文件：" + config);
  }
  const std::wstring set = Join(folder, kSetFile);
  if (!WriteProfileValue(set, L"Uninstall", L"IsOverride", L"true")) {
    return Fail(out, L"无法写入文件：" + set);
  }
  out->Progress(1.0);
  out->Line(L"InstPath", folder);
  out->Line(L"ExePath", product);
  out->Line(L"UninstEp", uninstaller);
  out->Line(L"StartupStyle", L"UserStartup");
  out->Line(L"State", L"Success");
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const SetupRequest request = ReadRequest(::GetCommandLineW());
  ProtocolWriter out(request.console);
  out.AnnounceUtf8();
  return Install(request, &out) ? 0 : 1;
}
