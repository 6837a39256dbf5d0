// Folder helpers.
#pragma once

#include <string>

// True when the folder exists or was created with all its parents; paths over 260 characters
// fail at once.
bool CreateFolderTree(const std::wstring& path);

// The user's temp folder followed by "~TolvarTemp.92482B06FB471E17\", created (one level) when
// missing; the empty string when it cannot be had.
std::wstring GetInstallerTempFolder();
