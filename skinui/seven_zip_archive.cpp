#include "skinui/seven_zip_archive.h"

#include <cstring>

#include "7z.h"
#include "7zAlloc.h"
#include "7zCrc.h"

namespace SkinUI {

namespace {

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const ISzAlloc kAllocTemp = {SzAllocTemp, SzFreeTemp};
constexpr size_t kLookBufferSize = 1 << 16;

void EnsureCrcTable() {
  static const bool ready = (CrcGenerateTable(), true);
  (void)ready;
}

// The SDK reads through a seekable stream; this one serves a block of memory.
struct TMemoryInStream {
  ISeekInStream vt;
  const unsigned char* data;
  size_t size;
  size_t position;
};

TMemoryInStream* StreamOf(ISeekInStreamPtr stream) {
  return reinterpret_cast<TMemoryInStream*>(const_cast<ISeekInStream*>(stream));
}

SRes ReadMemory(ISeekInStreamPtr stream, void* buffer, size_t* size) {
  TMemoryInStream* self = StreamOf(stream);
  const size_t available = self->size - self->position;
  const size_t count = *size < available ? *size : available;
  if (count > 0) std::memcpy(buffer, self->data + self->position, count);
  self->position += count;
  *size = count;
  return SZ_OK;
}

SRes SeekMemory(ISeekInStreamPtr stream, Int64* position, ESzSeek origin) {
  TMemoryInStream* self = StreamOf(stream);
  Int64 base = 0;
  if (origin == SZ_SEEK_CUR) base = static_cast<Int64>(self->position);
  if (origin == SZ_SEEK_END) base = static_cast<Int64>(self->size);
  const Int64 target = base + *position;
  if (target < 0 || static_cast<uint64_t>(target) > self->size) return SZ_ERROR_READ;
  self->position = static_cast<size_t>(target);
  *position = target;
  return SZ_OK;
}

struct TDatabase {
  TDatabase() { SzArEx_Init(&db); }
  ~TDatabase() { SzArEx_Free(&db, &kAlloc); }
  CSzArEx db;
};

// The decoded solid block, kept across files so that each block is decoded once.
struct TBlockCache {
  ~TBlockCache() { ISzAlloc_Free(&kAlloc, buffer); }
  UInt32 block_index = 0xFFFFFFFF;
  Byte* buffer = nullptr;
  size_t buffer_size = 0;
};

std::wstring FileName(const CSzArEx& db, UInt32 index) {
  const size_t length = SzArEx_GetFileNameUtf16(&db, index, nullptr);
  std::vector<UInt16> name(length > 0 ? length : 1, 0);
  SzArEx_GetFileNameUtf16(&db, index, name.data());
  return std::wstring(reinterpret_cast<const wchar_t*>(name.data()));
}

}  // namespace

std::unique_ptr<CSevenZipArchive> CSevenZipArchive::Open(const void* bytes, size_t size) {
  EnsureCrcTable();
  TMemoryInStream stream = {{ReadMemory, SeekMemory}, static_cast<const unsigned char*>(bytes),
                            bytes ? size : 0, 0};
  std::vector<Byte> look_buffer(kLookBufferSize);
  CLookToRead2 look;
  LookToRead2_CreateVTable(&look, False);
  look.buf = look_buffer.data();
  look.bufSize = look_buffer.size();
  look.realStream = &stream.vt;
  LookToRead2_INIT(&look);

  TDatabase database;
  if (SzArEx_Open(&database.db, &look.vt, &kAlloc, &kAllocTemp) != SZ_OK) return nullptr;

  std::unique_ptr<CSevenZipArchive> archive(new CSevenZipArchive());
  TBlockCache cache;
  for (UInt32 i = 0; i < database.db.NumFiles; ++i) {
    if (SzArEx_IsDir(&database.db, i)) continue;
    size_t offset = 0;
    size_t length = 0;
    const SRes result = SzArEx_Extract(&database.db, &look.vt, i, &cache.block_index,
                                       &cache.buffer, &cache.buffer_size, &offset, &length,
                                       &kAlloc, &kAllocTemp);
    if (result != SZ_OK) break;
    TEntry entry{FileName(database.db, i), {}};
    entry.bytes.assign(cache.buffer + offset, cache.buffer + offset + length);
    archive->entries_.push_back(std::move(entry));
  }
  return archive;
}

bool CSevenZipArchive::Find(const wchar_t* name, int* index, uint64_t* size) const {
  const std::wstring wanted = ArchiveEntryName(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!SameEntryName(entries_[i].name, wanted)) continue;
    *index = static_cast<int>(i);
    *size = entries_[i].bytes.size();
    return true;
  }
  return false;
}

bool CSevenZipArchive::Extract(int index, void* buffer, size_t size) const {
  if (index < 0 || index >= EntryCount()) return false;
  const std::vector<unsigned char>& bytes = entries_[static_cast<size_t>(index)].bytes;
  if (size != bytes.size()) return false;
  if (size > 0) std::memcpy(buffer, bytes.data(), size);
  return true;
}

std::wstring CSevenZipArchive::EntryName(int index) const {
  if (index < 0 || index >= EntryCount()) return std::wstring();
  return entries_[static_cast<size_t>(index)].name;
}

}  // namespace SkinUI
