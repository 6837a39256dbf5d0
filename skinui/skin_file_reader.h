// Reading a skin file's bytes: from a plain file, or by name through the process resource
// settings (the skin folder, or the skin archive in a file or in memory).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace SkinUI {

enum class SkinFileStatus {
  Ok,
  OpenFailed,
  Empty,
  TooLarge,
  ReadFailed,
  ArchiveOpenFailed,
  NotFound,
  ExtractFailed,
};

// The markup loader's message for a failed read ("Error opening file", ...); "" for Ok.
const wchar_t* SkinFileStatusMessage(SkinFileStatus status);

// The whole file at `path`; files larger than `max_size` are refused before reading.
SkinFileStatus ReadFileBytes(const std::wstring& path, size_t max_size,
                             std::vector<unsigned char>* bytes);

// Skin file `name`: resource path + name in folder mode, else the archive entry `name`.
SkinFileStatus ReadSkinFile(const wchar_t* name, size_t max_size,
                            std::vector<unsigned char>* bytes);

}  // namespace SkinUI
