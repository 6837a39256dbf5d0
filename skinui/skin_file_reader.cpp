#include "skinui/skin_file_reader.h"

#include <windows.h>

#include <cstdint>
#include <memory>

#include "app/scoped_handle.h"
#include "skinui/resource_settings.h"
#include "skinui/skin_archive.h"

namespace SkinUI {

namespace {

bool ReadAll(HANDLE file, unsigned char* buffer, size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!::ReadFile(file, buffer, chunk, &read, nullptr) || read == 0) return false;
    buffer += read;
    size -= read;
  }
  return true;
}

SkinFileStatus ReadArchiveEntry(const ISkinArchive& archive, const wchar_t* name,
                                size_t max_size, std::vector<unsigned char>* bytes) {
  int index = 0;
  uint64_t size = 0;
  if (!archive.Find(name, &index, &size)) return SkinFileStatus::NotFound;
  if (size == 0) return SkinFileStatus::Empty;
  if (size > max_size) return SkinFileStatus::TooLarge;
  bytes->resize(static_cast<size_t>(size));
  if (!archive.Extract(index, bytes->data(), bytes->size())) return SkinFileStatus::ExtractFailed;
  return SkinFileStatus::Ok;
}

}  // namespace

const wchar_t* SkinFileStatusMessage(SkinFileStatus status) {
  switch (status) {
    case SkinFileStatus::Ok: return L"";
    case SkinFileStatus::OpenFailed: return L"Error opening file";
    case SkinFileStatus::Empty: return L"File is empty";
    case SkinFileStatus::TooLarge: return L"File too large";
    case SkinFileStatus::ReadFailed: return L"Could not read file";
    case SkinFileStatus::ArchiveOpenFailed: return L"Error opening zip file";
    case SkinFileStatus::NotFound: return L"Could not find ziped file";
    case SkinFileStatus::ExtractFailed: return L"Could not unzip file";
  }
  return L"";
}

SkinFileStatus ReadFileBytes(const std::wstring& path, size_t max_size,
                             std::vector<unsigned char>* bytes) {
  bytes->clear();
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return SkinFileStatus::OpenFailed;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size)) return SkinFileStatus::ReadFailed;
  if (size.QuadPart == 0) return SkinFileStatus::Empty;
  if (static_cast<uint64_t>(size.QuadPart) > max_size) return SkinFileStatus::TooLarge;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  if (!ReadAll(file.get(), bytes->data(), bytes->size())) {
    bytes->clear();
    return SkinFileStatus::ReadFailed;
  }
  return SkinFileStatus::Ok;
}

SkinFileStatus ReadSkinFile(const wchar_t* name, size_t max_size,
                            std::vector<unsigned char>* bytes) {
  bytes->clear();
  const CUIString& path = CResourceSettings::GetResourcePath();
  const CUIString& archive_name = CResourceSettings::GetSkinArchiveName();
  if (archive_name.IsEmpty()) {
    return ReadFileBytes((path + name).str(), max_size, bytes);
  }
  std::unique_ptr<ISkinArchive> opened;
  const ISkinArchive* archive = CResourceSettings::CachedSkinArchive();
  if (!CResourceSettings::IsSkinArchiveCached()) {
    opened = OpenSkinArchiveFile((path + archive_name).str(),
                                 CResourceSettings::SkinArchiveFormat());
    archive = opened.get();
  }
  if (!archive) return SkinFileStatus::ArchiveOpenFailed;
  const SkinFileStatus status = ReadArchiveEntry(*archive, name, max_size, bytes);
  if (status != SkinFileStatus::Ok) bytes->clear();
  return status;
}

}  // namespace SkinUI
