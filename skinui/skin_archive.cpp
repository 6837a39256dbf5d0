#include "skinui/skin_archive.h"

#include <windows.h>

#include <vector>

#include "skinui/seven_zip_archive.h"
#include "skinui/skin_file_reader.h"
#include "skinui/zip_archive.h"

namespace SkinUI {

std::unique_ptr<ISkinArchive> OpenSkinArchiveMemory(const void* bytes, size_t size,
                                                    ArchiveFormat format) {
  if (format == ArchiveFormat::SevenZip) return CSevenZipArchive::Open(bytes, size);
  return CZipArchive::Open(bytes, size);
}

// Read whole and opened from memory: the path stays wide (no ANSI conversion loses
// characters of the folder name), and the zip reader keeps the bytes it reads from.
std::unique_ptr<ISkinArchive> OpenSkinArchiveFile(const std::wstring& path, ArchiveFormat format) {
  std::vector<unsigned char> bytes;
  if (ReadFileBytes(path, SIZE_MAX, &bytes) != SkinFileStatus::Ok) return nullptr;
  if (format == ArchiveFormat::SevenZip) return CSevenZipArchive::Open(bytes.data(), bytes.size());
  return CZipArchive::Open(std::move(bytes));
}

std::wstring ArchiveEntryName(const wchar_t* name) {
  std::wstring result(name ? name : L"");
  for (wchar_t& ch : result) {
    if (ch == L'\\') ch = L'/';
  }
  return result;
}

bool SameEntryName(const std::wstring& stored, const std::wstring& wanted) {
  if (stored.size() != wanted.size()) return false;
  const int length = static_cast<int>(stored.size());
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, stored.c_str(), length,
                          wanted.c_str(), length) == CSTR_EQUAL;
}

}  // namespace SkinUI
