// The 7z skin archive (`SkinArchive` when it is held in memory). Opening it decodes every file
// at once, each solid block only once, so that every later request is a lookup and a copy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skinui/skin_archive.h"

namespace SkinUI {

class CSevenZipArchive : public ISkinArchive {
 public:
  // Null when the archive's database cannot be read. When a file fails to decode, the files
  // before it stay available and the rest are missing, so requests for them find nothing.
  static std::unique_ptr<CSevenZipArchive> Open(const void* bytes, size_t size);

  bool Find(const wchar_t* name, int* index, uint64_t* size) const override;
  bool Extract(int index, void* buffer, size_t size) const override;
  int EntryCount() const override { return static_cast<int>(entries_.size()); }
  std::wstring EntryName(int index) const override;

 private:
  struct TEntry {
    std::wstring name;  // '/' separators, as the archive stores them
    std::vector<unsigned char> bytes;
  };

  CSevenZipArchive() = default;

  std::vector<TEntry> entries_;
};

}  // namespace SkinUI
