// Where the process finds its skin files: the module instance, the skin folder, and the skin
// archive (a file beside the skins, opened per request or kept open, or a block in memory).
// One set per process, used on the UI thread only.
#pragma once

#include <windows.h>

#include <cstddef>

#include "skinui/skin_archive.h"
#include "skinui/ui_string.h"

namespace SkinUI {

// The archive name that marks an archive opened from memory.
inline constexpr wchar_t kMemoryArchiveName[] = L"membuffer";

class CResourceSettings {
 public:
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  // The module holding resources: the instance, as no other is ever set.
  static HINSTANCE GetResourceInstance();
  // The folder of the instance's module file, with a trailing '\'; empty without instance.
  static CUIString GetInstancePath();

  // Appends '\' to a non-empty path that ends with neither '\' nor '/'.
  static void SetResourcePath(const wchar_t* path);
  static const CUIString& GetResourcePath();

  // An empty name selects folder mode. A changed name or cache flag closes the archive kept
  // open so far; with `cached`, resource path + name is opened now and kept.
  static void SetSkinArchive(const wchar_t* name, bool cached);
  // Opens the archive in the caller's block (kept alive by the caller for the process's
  // life) and keeps it. Once an archive came from memory, later calls keep that one.
  static void SetSkinArchiveFromMemory(const void* bytes, size_t size);
  static void UseSevenZipArchives(bool seven_zip);

  static const CUIString& GetSkinArchiveName();
  static bool IsSkinArchiveCached();
  static const ISkinArchive* CachedSkinArchive();  // null when none is kept open
  static ArchiveFormat SkinArchiveFormat();
};

}  // namespace SkinUI
