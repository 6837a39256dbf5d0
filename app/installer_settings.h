// The one process-wide settings record: built-in defaults, then the config file beside the
// executable (both applied during static initialisation), then the command line (applied by
// the entry point). Written only on the main thread before any worker starts; read-only after
// that apart from m_Language.
#pragma once

#include <map>
#include <string>

// Option name (case-sensitive) to value; the first occurrence of an option wins.
class CommandLineOptions {
 public:
  bool Insert(const std::wstring& name, const std::wstring& value);  // false: name present
  bool Has(const std::wstring& name) const;

  std::wstring GetString(const std::wstring& name) const;  // "" when absent
  int GetInt(const std::wstring& name) const;               // 0 when unconvertible
  bool GetBool(const std::wstring& name) const;              // value == "true"
  double GetDouble(const std::wstring& name, double fallback) const;

 private:
  std::map<std::wstring, std::wstring> values_;
};

CommandLineOptions ParseCommandLine(const std::wstring& command_line);

// Replaces every "${ROUTE}" in `url` by the route name for this operating system.
std::wstring RewriteDownloadRoute(const std::wstring& url);
// The route name for an OS version text of GetOsVersionName, a product number and whether
// the system is 64-bit.
std::wstring DownloadRouteName(const std::wstring& os_version, int product_number,
                               bool is_64bit_system);

struct InstallerSettings {
  static std::wstring m_ProductId;
  static std::wstring m_Version;
  static std::wstring m_ExeName;
  static std::wstring m_DlAppNameSuffix;
  static std::wstring m_DlAppVersion;
  static std::wstring m_InstCmd;
  static std::wstring m_DownloadUrl;
  static int m_DownloadType;
  static bool m_IsCheckNet;
  static bool m_IsEnableAppSensors;
  static double m_DownloadScale;
  static bool m_CurlReady;
  static std::wstring m_AbGroup;
  static int m_Language;
  static bool m_InsNew;

  static void SetDownloadUrl(const std::wstring& url);
  static void LoadDefaults();
  // Reads "TolvarInstallerConfig.ini" beside `executable_path` when it exists.
  static void ReadConfigFile(const std::wstring& executable_path);
  static void ApplyCommandLine(const CommandLineOptions& options);
};
