// The skin archive readers behind one interface: the 7z reader (the form the program ships)
// and the zip reader. An open archive answers lookups by file name and copies a file's bytes
// out; closing is destruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace SkinUI {

enum class ArchiveFormat { Zip, SevenZip };

class ISkinArchive {
 public:
  virtual ~ISkinArchive() = default;

  // Looks a file up ignoring case, with '\' matching '/'. Gives the entry index and its
  // uncompressed size; false when there is no such file.
  virtual bool Find(const wchar_t* name, int* index, uint64_t* size) const = 0;
  // Copies entry `index` into `buffer`, which holds exactly the entry's size.
  virtual bool Extract(int index, void* buffer, size_t size) const = 0;

  virtual int EntryCount() const = 0;
  virtual std::wstring EntryName(int index) const = 0;  // with '/' separators
};

// Null when the archive cannot be opened. Memory archives read the caller's block, which must
// outlive the archive.
std::unique_ptr<ISkinArchive> OpenSkinArchiveFile(const std::wstring& path, ArchiveFormat format);
std::unique_ptr<ISkinArchive> OpenSkinArchiveMemory(const void* bytes, size_t size,
                                                    ArchiveFormat format);

// Separators as the archives store them: every '\' becomes '/'.
std::wstring ArchiveEntryName(const wchar_t* name);

// Archive lookups: equal length and equal text ignoring case by the system's locale rules.
bool SameEntryName(const std::wstring& stored, const std::wstring& wanted);

}  // namespace SkinUI
