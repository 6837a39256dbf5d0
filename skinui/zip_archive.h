// A zip skin archive: the central directory is read at open, entries are inflated with zlib
// on request and checked against their CRC. Stored and deflated entries are supported; zip64
// and encrypted entries are not (a skin never needs them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skinui/skin_archive.h"

namespace SkinUI {

class CZipArchive : public ISkinArchive {
 public:
  // Reads the caller's block, which must outlive the archive. Null without a valid directory.
  static std::unique_ptr<CZipArchive> Open(const void* bytes, size_t size);
  // Keeps `bytes` for the archive's life.
  static std::unique_ptr<CZipArchive> Open(std::vector<unsigned char> bytes);

  bool Find(const wchar_t* name, int* index, uint64_t* size) const override;
  bool Extract(int index, void* buffer, size_t size) const override;
  int EntryCount() const override { return static_cast<int>(entries_.size()); }
  std::wstring EntryName(int index) const override;

 private:
  struct TEntry {
    std::wstring name;
    uint16_t flags;
    uint16_t method;
    uint32_t crc;
    uint32_t packed_size;
    uint32_t size;
    uint32_t local_header;
  };

  CZipArchive() = default;
  bool ReadDirectory();
  bool ReadDirectoryEntry(size_t* offset);
  bool EntryData(const TEntry& entry, const unsigned char** data) const;

  std::vector<unsigned char> owned_;
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
  std::vector<TEntry> entries_;
};

}  // namespace SkinUI
