#include "skinui/zip_archive.h"

#include <windows.h>
#include <zlib.h>

#include <cstring>

namespace SkinUI {

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr uint32_t kDirectoryEndSignature = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kDirectoryEntrySize = 46;
constexpr size_t kDirectoryEndSize = 22;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr uint16_t kEncryptedFlag = 0x0001;
constexpr uint16_t kUtf8NameFlag = 0x0800;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;

uint16_t Read16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Read32(const unsigned char* p) {
  return static_cast<uint32_t>(Read16(p)) | (static_cast<uint32_t>(Read16(p + 2)) << 16);
}

// Zip names are UTF-8 when flagged, else in the OEM code page.
std::wstring DecodeName(const unsigned char* bytes, size_t length, uint16_t flags) {
  if (length == 0) return std::wstring();
  const UINT code_page = (flags & kUtf8NameFlag) ? CP_UTF8 : CP_OEMCP;
  const char* text = reinterpret_cast<const char*>(bytes);
  const int count = ::MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), nullptr, 0);
  std::wstring name(static_cast<size_t>(count > 0 ? count : 0), L'\0');
  if (count > 0) {
    ::MultiByteToWideChar(code_page, 0, text, static_cast<int>(length), &name[0], count);
  }
  return name;
}

bool Inflate(const unsigned char* packed, uint32_t packed_size, void* buffer, uint32_t size) {
  z_stream stream = {};
  // Negative window bits: zip entries are raw deflate streams without a zlib header.
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(packed);
  stream.avail_in = packed_size;
  stream.next_out = static_cast<Bytef*>(buffer);
  stream.avail_out = size;
  const int result = inflate(&stream, Z_FINISH);
  const bool complete = result == Z_STREAM_END && stream.total_out == size;
  inflateEnd(&stream);
  return complete;
}

}  // namespace

std::unique_ptr<CZipArchive> CZipArchive::Open(const void* bytes, size_t size) {
  std::unique_ptr<CZipArchive> archive(new CZipArchive());
  archive->data_ = static_cast<const unsigned char*>(bytes);
  archive->size_ = bytes ? size : 0;
  if (!archive->ReadDirectory()) return nullptr;
  return archive;
}

std::unique_ptr<CZipArchive> CZipArchive::Open(std::vector<unsigned char> bytes) {
  std::unique_ptr<CZipArchive> archive(new CZipArchive());
  archive->owned_ = std::move(bytes);
  archive->data_ = archive->owned_.data();
  archive->size_ = archive->owned_.size();
  if (!archive->ReadDirectory()) return nullptr;
  return archive;
}

bool CZipArchive::ReadDirectory() {
  if (size_ < kDirectoryEndSize) return false;
  // The end record sits at the very end unless an archive comment follows it.
  size_t end = size_ - kDirectoryEndSize;
  const size_t lowest = end > kMaxCommentSize ? end - kMaxCommentSize : 0;
  while (Read32(data_ + end) != kDirectoryEndSignature) {
    if (end == lowest) return false;
    --end;
  }
  const uint16_t count = Read16(data_ + end + 10);
  size_t offset = Read32(data_ + end + 16);
  for (uint16_t i = 0; i < count; ++i) {
    if (!ReadDirectoryEntry(&offset)) return false;
  }
  return true;
}

bool CZipArchive::ReadDirectoryEntry(size_t* offset) {
  if (*offset > size_ || size_ - *offset < kDirectoryEntrySize) return false;
  const unsigned char* record = data_ + *offset;
  if (Read32(record) != kDirectoryEntrySignature) return false;
  const size_t name_length = Read16(record + 28);
  const size_t record_size = kDirectoryEntrySize + name_length + Read16(record + 30) +
                             Read16(record + 32);
  if (size_ - *offset < record_size) return false;
  *offset += record_size;

  TEntry entry;
  entry.flags = Read16(record + 8);
  entry.method = Read16(record + 10);
  entry.crc = Read32(record + 16);
  entry.packed_size = Read32(record + 20);
  entry.size = Read32(record + 24);
  entry.local_header = Read32(record + 42);
  entry.name = DecodeName(record + kDirectoryEntrySize, name_length, entry.flags);
  const bool is_folder = !entry.name.empty() && entry.name.back() == L'/';
  if (!is_folder) entries_.push_back(std::move(entry));
  return true;
}

bool CZipArchive::Find(const wchar_t* name, int* index, uint64_t* size) const {
  const std::wstring wanted = ArchiveEntryName(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!SameEntryName(ArchiveEntryName(entries_[i].name.c_str()), wanted)) continue;
    *index = static_cast<int>(i);
    *size = entries_[i].size;
    return true;
  }
  return false;
}

bool CZipArchive::EntryData(const TEntry& entry, const unsigned char** data) const {
  const size_t header = entry.local_header;
  if (header > size_ || size_ - header < kLocalHeaderSize) return false;
  if (Read32(data_ + header) != kLocalHeaderSignature) return false;
  const size_t start = header + kLocalHeaderSize + Read16(data_ + header + 26) +
                       Read16(data_ + header + 28);
  if (start > size_ || size_ - start < entry.packed_size) return false;
  *data = data_ + start;
  return true;
}

bool CZipArchive::Extract(int index, void* buffer, size_t size) const {
  if (index < 0 || index >= EntryCount()) return false;
  const TEntry& entry = entries_[static_cast<size_t>(index)];
  const unsigned char* packed = nullptr;
  if (size != entry.size || (entry.flags & kEncryptedFlag) || !EntryData(entry, &packed)) {
    return false;
  }
  bool unpacked = false;
  if (entry.method == kStored) {
    unpacked = entry.packed_size == entry.size;
    if (unpacked && size > 0) std::memcpy(buffer, packed, size);
  } else if (entry.method == kDeflated) {
    unpacked = Inflate(packed, entry.packed_size, buffer, entry.size);
  }
  const Bytef* output = static_cast<const Bytef*>(buffer);
  return unpacked && crc32(0, output, entry.size) == entry.crc;
}

std::wstring CZipArchive::EntryName(int index) const {
  if (index < 0 || index >= EntryCount()) return std::wstring();
  return entries_[static_cast<size_t>(index)].name;
}

}  // namespace SkinUI
