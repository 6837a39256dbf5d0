// Prints a few settings fields as the static initialiser left them, then again after the
// process command line was applied, the way the installer's entry point applies it.
#include <windows.h>

#include <cstdio>

#include "app/installer_settings.h"

namespace {

void Print(const wchar_t* layer) {
  std::printf("%ls exe=%ls type=%d checknet=%d scale=%g\n", layer,
              InstallerSettings::m_ExeName.c_str(), InstallerSettings::m_DownloadType,
              InstallerSettings::m_IsCheckNet ? 1 : 0, InstallerSettings::m_DownloadScale);
}

}  // namespace

int wmain() {
  Print(L"static");
  InstallerSettings::ApplyCommandLine(ParseCommandLine(::GetCommandLineW()));
  Print(L"command");
  return 0;
}
