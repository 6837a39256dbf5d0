#include "skinui/xml_document.h"

#include <windows.h>

#include <climits>
#include <cwchar>
#include <new>

#include "skinui/skin_file_reader.h"

namespace SkinUI {

namespace {

wchar_t* AllocateOnHeap(size_t characters) {
  return new (std::nothrow) wchar_t[characters];
}

void ReleaseOnHeap(wchar_t* text, size_t) {
  delete[] text;
}

// Copies at most `capacity` - 1 characters and always terminates.
template <size_t capacity>
void CopyBounded(wchar_t (&target)[capacity], const wchar_t* source, size_t available) {
  size_t i = 0;
  for (; i + 1 < capacity && i < available && source[i] != L'\0'; ++i) target[i] = source[i];
  target[i] = L'\0';
}

}  // namespace

const TXmlTextAllocator& HeapTextAllocator() {
  static const TXmlTextAllocator allocator = {AllocateOnHeap, ReleaseOnHeap};
  return allocator;
}

CXmlDocument::CXmlDocument() : allocator_(HeapTextAllocator()) {}

CXmlDocument::CXmlDocument(const TXmlTextAllocator& allocator) : allocator_(allocator) {}

CXmlDocument::~CXmlDocument() {
  Release();
}

void CXmlDocument::Release() {
  if (text_) allocator_.release(text_, text_capacity_);
  text_ = nullptr;
  text_capacity_ = 0;
  text_length_ = 0;
  elements_.clear();
  elements_.shrink_to_fit();
}

bool CXmlDocument::LoadText(const wchar_t* text) {
  Release();
  const size_t length = text ? std::wcslen(text) : 0;
  if (!AllocateText(length)) return Failed(L"Out of memory");
  if (length > 0) std::wmemcpy(text_, text, length);
  return ParseText();
}

bool CXmlDocument::LoadBytes(const void* bytes, size_t size, XmlEncoding encoding) {
  Release();
  if (!ConvertBytes(static_cast<const unsigned char*>(bytes), bytes ? size : 0, encoding)) {
    return false;
  }
  return ParseText();
}

bool CXmlDocument::LoadFile(const wchar_t* name, XmlEncoding encoding) {
  Release();
  std::vector<unsigned char> bytes;
  const SkinFileStatus status = ReadSkinFile(name, kMaxMarkupFileSize, &bytes);
  if (status != SkinFileStatus::Ok) return Failed(SkinFileStatusMessage(status));
  return LoadBytes(bytes.data(), bytes.size(), encoding);
}

CXmlNode CXmlDocument::Root() const {
  return elements_.size() > 1 ? CXmlNode(this, 1) : CXmlNode();
}

bool CXmlDocument::ConvertBytes(const unsigned char* bytes, size_t size, XmlEncoding encoding) {
  if (encoding == XmlEncoding::Utf8) {
    const bool has_mark = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
    return has_mark ? ConvertCodePage(bytes + 3, size - 3, CP_UTF8)
                    : ConvertCodePage(bytes, size, CP_UTF8);
  }
  if (encoding == XmlEncoding::Ansi) return ConvertCodePage(bytes, size, CP_ACP);
  return ConvertUtf16(bytes, size);
}

bool CXmlDocument::ConvertCodePage(const unsigned char* bytes, size_t size, unsigned code_page) {
  if (size > INT_MAX) return Failed(L"File too large");
  const char* source = reinterpret_cast<const char*>(bytes);
  const int source_length = static_cast<int>(size);
  const int length =
      size > 0 ? ::MultiByteToWideChar(code_page, 0, source, source_length, nullptr, 0) : 0;
  if (size > 0 && length <= 0) return Failed(L"Could not convert the text");
  if (!AllocateText(static_cast<size_t>(length))) return Failed(L"Out of memory");
  if (length > 0) ::MultiByteToWideChar(code_page, 0, source, source_length, text_, length);
  return true;
}

// Only with a byte-order mark: without one the byte order is unknown and the text is refused.
bool CXmlDocument::ConvertUtf16(const unsigned char* bytes, size_t size) {
  const bool little_endian = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool big_endian = size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  if (!little_endian && !big_endian) return Failed(L"UTF-16 text without byte-order mark");
  const size_t length = size / 2 - 1;
  if (!AllocateText(length)) return Failed(L"Out of memory");
  const unsigned char* source = bytes + 2;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char first = source[2 * i];
    const unsigned char second = source[2 * i + 1];
    text_[i] = little_endian ? static_cast<wchar_t>(first | (second << 8))
                             : static_cast<wchar_t>((first << 8) | second);
  }
  return true;
}

// The parser reads the text as one zero-terminated string: a zero inside the data ends it.
bool CXmlDocument::AllocateText(size_t length) {
  if (length >= static_cast<size_t>(INT32_MAX)) return false;
  text_ = allocator_.allocate(length + 1);
  if (!text_) return false;
  text_capacity_ = length + 1;
  text_length_ = length;
  text_[length] = L'\0';
  return true;
}

bool CXmlDocument::ParseText() {
  text_length_ = std::wcslen(text_);
  CXmlParser parser(text_, text_length_, elements_);
  if (parser.Parse()) {
    SetError(L"", L"");
    return true;
  }
  const size_t position = parser.ErrorPosition();
  SetError(parser.ErrorMessage(), L"");
  CopyBounded(error_location_, text_ + position, text_length_ - position);
  Release();
  return false;
}

bool CXmlDocument::Failed(const wchar_t* message) {
  Release();
  SetError(message, L"");
  return false;
}

void CXmlDocument::SetError(const wchar_t* message, const wchar_t* location) {
  CopyBounded(error_message_, message, SIZE_MAX);
  CopyBounded(error_location_, location, SIZE_MAX);
}

}  // namespace SkinUI
