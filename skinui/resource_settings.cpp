#include "skinui/resource_settings.h"

#include <memory>

namespace SkinUI {

namespace {

struct TResourceSettings {
  HINSTANCE instance = nullptr;
  CUIString resource_path;
  CUIString archive_name;
  bool archive_cached = false;
  std::unique_ptr<ISkinArchive> open_archive;
  ArchiveFormat format = ArchiveFormat::Zip;
};

TResourceSettings& Settings() {
  static TResourceSettings settings;
  return settings;
}

}  // namespace

void CResourceSettings::SetInstance(HINSTANCE instance) {
  Settings().instance = instance;
}

HINSTANCE CResourceSettings::GetInstance() {
  return Settings().instance;
}

HINSTANCE CResourceSettings::GetResourceInstance() {
  return Settings().instance;
}

CUIString CResourceSettings::GetInstancePath() {
  if (!Settings().instance) return CUIString();
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(Settings().instance, path, MAX_PATH);
  CUIString folder(path, static_cast<int>(length));
  return folder.Left(folder.ReverseFind(L'\\') + 1);
}

void CResourceSettings::SetResourcePath(const wchar_t* path) {
  CUIString& stored = Settings().resource_path;
  stored = path;
  const wchar_t last = stored.GetAt(stored.GetLength() - 1);
  if (!stored.IsEmpty() && last != L'\\' && last != L'/') stored += L'\\';
}

const CUIString& CResourceSettings::GetResourcePath() {
  return Settings().resource_path;
}

void CResourceSettings::SetSkinArchive(const wchar_t* name, bool cached) {
  TResourceSettings& settings = Settings();
  if (settings.archive_name == name && settings.archive_cached == cached) return;
  settings.open_archive.reset();
  settings.archive_name = name;
  settings.archive_cached = cached;
  if (cached) {
    settings.open_archive = OpenSkinArchiveFile(
        (settings.resource_path + settings.archive_name).str(), settings.format);
  }
}

void CResourceSettings::SetSkinArchiveFromMemory(const void* bytes, size_t size) {
  TResourceSettings& settings = Settings();
  if (settings.archive_name == kMemoryArchiveName) return;
  settings.open_archive.reset();
  settings.archive_name = kMemoryArchiveName;
  settings.archive_cached = true;
  settings.open_archive = OpenSkinArchiveMemory(bytes, size, settings.format);
}

void CResourceSettings::UseSevenZipArchives(bool seven_zip) {
  Settings().format = seven_zip ? ArchiveFormat::SevenZip : ArchiveFormat::Zip;
}

const CUIString& CResourceSettings::GetSkinArchiveName() {
  return Settings().archive_name;
}

bool CResourceSettings::IsSkinArchiveCached() {
  return Settings().archive_cached;
}

const ISkinArchive* CResourceSettings::CachedSkinArchive() {
  return Settings().open_archive.get();
}

ArchiveFormat CResourceSettings::SkinArchiveFormat() {
  return Settings().format;
}

}  // namespace SkinUI
