// What the demo setup package puts into the installation folder; its uninstaller removes
// exactly these files and nothing else.
#pragma once

inline constexpr wchar_t kProductFile[] = L"Nimbrel.exe";
inline constexpr wchar_t kUninstallerFile[] = L"uninst.ep";
// Section "Install", key "Language": the language the product was installed in.
inline constexpr wchar_t kConfigFile[] = L"config.ini";
// Section "Uninstall", key "IsOverride"; the installer adds its own records to the same file.
inline constexpr wchar_t kSetFile[] = L"set.ini";

inline constexpr wchar_t kDefaultLanguage[] = L"en-US";

// Resource ids of the two programs compiled into the package.
#define IDR_DEMO_PRODUCT 201
#define IDR_DEMO_UNINSTALLER 202
