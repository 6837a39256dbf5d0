// A markup document: a private UTF-16 copy of the text, parsed in place by CXmlParser, and the
// element table that CXmlNode handles walk. Loads never throw: on failure the document is
// empty and ErrorMessage() (with ErrorLocation() for parse errors) tells why.
#pragma once

#include <cstddef>
#include <vector>

#include "skinui/xml_node.h"
#include "skinui/xml_parser.h"

namespace SkinUI {

// Utf8 is the framework's default; any value other than Utf8 and Ansi means UTF-16 with a
// byte-order mark.
enum class XmlEncoding : int { Utf8 = 0, Utf16 = 1, Ansi = 2 };

// Markup files above this size are refused before they are read.
inline constexpr size_t kMaxMarkupFileSize = 4 * 1024 * 1024;

// Where a document gets the buffer for its text (`characters` includes the terminating
// zero). Tests put the buffer against inaccessible pages to catch reads outside it.
struct TXmlTextAllocator {
  wchar_t* (*allocate)(size_t characters);
  void (*release)(wchar_t* text, size_t characters);
};

const TXmlTextAllocator& HeapTextAllocator();

class CXmlDocument {
 public:
  CXmlDocument();
  explicit CXmlDocument(const TXmlTextAllocator& allocator);
  ~CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;

  bool LoadText(const wchar_t* text);
  bool LoadBytes(const void* bytes, size_t size, XmlEncoding encoding = XmlEncoding::Utf8);
  // Reads `name` through the skin resource settings: the skin folder or the skin archive.
  bool LoadFile(const wchar_t* name, XmlEncoding encoding = XmlEncoding::Utf8);
  void Release();

  CXmlNode Root() const;

  const wchar_t* ErrorMessage() const { return error_message_; }
  const wchar_t* ErrorLocation() const { return error_location_; }

  // For CXmlNode: the parsed text and the element records (index 0 is the reserved one).
  const wchar_t* Text() const { return text_; }
  size_t TextLength() const { return text_length_; }
  int ElementCount() const { return static_cast<int>(elements_.size()); }
  const TXmlElement& Element(int index) const { return elements_[static_cast<size_t>(index)]; }

 private:
  bool ConvertBytes(const unsigned char* bytes, size_t size, XmlEncoding encoding);
  bool ConvertCodePage(const unsigned char* bytes, size_t size, unsigned code_page);
  bool ConvertUtf16(const unsigned char* bytes, size_t size);
  bool AllocateText(size_t length);
  bool ParseText();
  bool Failed(const wchar_t* message);
  void SetError(const wchar_t* message, const wchar_t* location);

  TXmlTextAllocator allocator_;
  wchar_t* text_ = nullptr;
  size_t text_capacity_ = 0;  // characters allocated
  size_t text_length_ = 0;  // characters, without the terminating zero
  std::vector<TXmlElement> elements_;
  wchar_t error_message_[100] = {};
  wchar_t error_location_[50] = {};
};

}  // namespace SkinUI
