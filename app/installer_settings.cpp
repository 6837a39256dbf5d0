#include "app/installer_settings.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include "app/decimal_text.h"
#include "app/os_info.h"

namespace {

constexpr wchar_t kBuiltInDownloadUrl[] = L"http://download.tolvarsoft.com/software/517";
constexpr wchar_t kRoutePlaceholder[] = L"${ROUTE}";
constexpr wchar_t kConfigFileName[] = L"TolvarInstallerConfig.ini";
constexpr wchar_t kConfigSection[] = L"Install";
constexpr DWORD kConfigValueCapacity = 260;

// This installer's product number, and the products that have a 64-bit package.
constexpr int kProductNumber = 438;
constexpr int kProductsWith64BitPackage[] = {267, 385, 257, 335, 318};

std::wstring ReadConfigValue(const std::wstring& file, const wchar_t* key,
                             const wchar_t* fallback) {
  wchar_t value[kConfigValueCapacity] = {};
  const DWORD length = ::GetPrivateProfileStringW(kConfigSection, key, fallback, value,
                                                  kConfigValueCapacity, file.c_str());
  return std::wstring(value, length);
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring RunningExecutablePath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);
  }
}

struct LocalFreeDeleter {
  void operator()(wchar_t** arguments) const { ::LocalFree(arguments); }
};

// Defaults and the config file are in place before any code of the entry point runs.
struct StaticInitialiser {
  StaticInitialiser() {
    InstallerSettings::LoadDefaults();
    InstallerSettings::ReadConfigFile(RunningExecutablePath());
  }
};

}  // namespace

bool CommandLineOptions::Insert(const std::wstring& name, const std::wstring& value) {
  return values_.emplace(name, value).second;
}

bool CommandLineOptions::Has(const std::wstring& name) const { return values_.count(name) != 0; }

std::wstring CommandLineOptions::GetString(const std::wstring& name) const {
  const auto found = values_.find(name);
  return found == values_.end() ? std::wstring() : found->second;
}

int CommandLineOptions::GetInt(const std::wstring& name) const {
  int value = 0;
  return LeadingDecimalInt(GetString(name), &value) ? value : 0;
}

bool CommandLineOptions::GetBool(const std::wstring& name) const {
  return GetString(name) == L"true";
}

double CommandLineOptions::GetDouble(const std::wstring& name, double fallback) const {
  double value = 0;
  return LeadingDecimalDouble(GetString(name), &value) ? value : fallback;
}

// An option's value starts after its first "=", so a URL's own "=" signs survive.
CommandLineOptions ParseCommandLine(const std::wstring& command_line) {
  CommandLineOptions options;
  int count = 0;
  std::unique_ptr<wchar_t*, LocalFreeDeleter> arguments(
      ::CommandLineToArgvW(command_line.c_str(), &count));
  if (!arguments) return options;
  for (int i = 0; i < count; ++i) {
    const std::wstring argument = arguments.get()[i];
    const size_t equals = argument.find(L'=');
    if (argument.compare(0, 1, L"-") == 0 && equals != std::wstring::npos) {
      options.Insert(argument.substr(0, equals), argument.substr(equals + 1));
    } else {
      options.Insert(argument, L"");
    }
  }
  return options;
}

std::wstring DownloadRouteName(const std::wstring& os_version, int product_number,
                               bool is_64bit_system) {
  if (os_version.find(L"XP") != std::wstring::npos) return L"download_silent_xp";
  const bool has_64bit_package =
      std::find(std::begin(kProductsWith64BitPackage), std::end(kProductsWith64BitPackage),
                product_number) != std::end(kProductsWith64BitPackage);
  return has_64bit_package && is_64bit_system ? L"download_silent_64" : L"download_silent";
}

std::wstring RewriteDownloadRoute(const std::wstring& url) {
  size_t at = url.find(kRoutePlaceholder);
  if (at == std::wstring::npos) return url;
  const std::wstring route =
      DownloadRouteName(GetOsVersionName().version, kProductNumber, IsWow64System());
  std::wstring rewritten = url;
  const size_t placeholder_length = std::wcslen(kRoutePlaceholder);
  while (at != std::wstring::npos) {
    rewritten.replace(at, placeholder_length, route);
    at = rewritten.find(kRoutePlaceholder, at + route.size());
  }
  return rewritten;
}

std::wstring InstallerSettings::m_ProductId;
std::wstring InstallerSettings::m_Version;
std::wstring InstallerSettings::m_ExeName;
std::wstring InstallerSettings::m_DlAppNameSuffix;
std::wstring InstallerSettings::m_DlAppVersion;
std::wstring InstallerSettings::m_InstCmd;
std::wstring InstallerSettings::m_DownloadUrl;
int InstallerSettings::m_DownloadType = 1;
bool InstallerSettings::m_IsCheckNet = false;
bool InstallerSettings::m_IsEnableAppSensors = true;
double InstallerSettings::m_DownloadScale = 0.7;
bool InstallerSettings::m_CurlReady = true;
std::wstring InstallerSettings::m_AbGroup;
int InstallerSettings::m_Language = -1;
bool InstallerSettings::m_InsNew = false;

// Defined after the fields: in one file, static objects are built in the order they appear.
static StaticInitialiser static_initialiser;

void InstallerSettings::SetDownloadUrl(const std::wstring& url) {
  m_DownloadUrl = RewriteDownloadRoute(url);
}

void InstallerSettings::LoadDefaults() {
  m_ProductId = L"Nimbrel";
  m_Version = L"1.7.8";
  m_ExeName = L"NULL";
  m_DlAppNameSuffix = L".downloader";
  m_DlAppVersion = L"";
  m_InstCmd = L"";
  SetDownloadUrl(kBuiltInDownloadUrl);
  m_DownloadType = 1;
  m_IsCheckNet = false;
  m_IsEnableAppSensors = true;
  m_DownloadScale = 0.7;
  m_CurlReady = true;
  m_AbGroup = L"IN";
  m_Language = -1;
  m_InsNew = false;
}

// A missing key counts as "true" for both switches, so a config file without them turns the
// network check on although the built-in default is off.
void InstallerSettings::ReadConfigFile(const std::wstring& executable_path) {
  const size_t separator = executable_path.find_last_of(L"\\/");
  m_ExeName =
      separator == std::wstring::npos ? executable_path : executable_path.substr(separator + 1);
  const std::wstring file =
      executable_path.substr(0, separator == std::wstring::npos ? 0 : separator) + L"\\" +
      kConfigFileName;
  if (separator != std::wstring::npos && IsFile(file)) {
    SetDownloadUrl(ReadConfigValue(file, L"DownloadUrl", kBuiltInDownloadUrl));
    int download_type = 0;
    LeadingDecimalInt(ReadConfigValue(file, L"DownloadType", L"1"), &download_type);
    m_DownloadType = download_type;
    m_IsCheckNet = ReadConfigValue(file, L"IsCheckNet", L"true") == L"true";
    m_IsEnableAppSensors = ReadConfigValue(file, L"IsEnableAppSensors", L"true") == L"true";
    m_DlAppNameSuffix = ReadConfigValue(file, L"DlAppNameSuffix", L".downloader");
    m_DlAppVersion = ReadConfigValue(file, L"m_DlAppVersion", L"");
    double scale = 0.0;
    LeadingDecimalDouble(ReadConfigValue(file, L"DownloadScale", L"0.7"), &scale);
    m_DownloadScale = scale;
    m_InstCmd = ReadConfigValue(file, L"InstCmd", L"");
  }
  m_ProductId = L"Nimbrel";
  m_Version = L"1.7.8";
}

// An unreadable "-downloadscale" keeps the share of the earlier layers: a NaN share would
// turn every later progress figure into NaN.
void InstallerSettings::ApplyCommandLine(const CommandLineOptions& options) {
  if (options.Has(L"-downloadurl")) SetDownloadUrl(options.GetString(L"-downloadurl"));
  if (options.Has(L"-downloadtype")) m_DownloadType = options.GetInt(L"-downloadtype");
  if (options.Has(L"-downloadscale")) {
    m_DownloadScale = options.GetDouble(L"-downloadscale", m_DownloadScale);
  }
  if (options.Has(L"-ischecknet")) m_IsCheckNet = options.GetBool(L"-ischecknet");
  if (options.Has(L"-isenableappsensors")) {
    m_IsEnableAppSensors = options.GetBool(L"-isenableappsensors");
  }
  if (options.Has(L"-dlappnamesuffix")) m_DlAppNameSuffix = options.GetString(L"-dlappnamesuffix");
  if (options.Has(L"-dlappversion")) m_DlAppVersion = options.GetString(L"-dlappversion");
  if (options.Has(L"-instcmd")) m_InstCmd = options.GetString(L"-instcmd");
  if (options.Has(L"-language")) m_Language = options.GetInt(L"-language");
  if (options.Has(L"-insnew")) m_InsNew = options.GetBool(L"-insnew");
}
