// The one-pass, in-place markup parser behind CXmlDocument. It cuts names, attribute values
// and element text out of the caller's UTF-16 buffer by writing zero characters into it and
// records the element tree as a flat table of offsets into that buffer.
//
// Every read is bounded by the length given to the constructor (the buffer holds one more
// character, the terminating zero), and every write lands behind the read position, so no
// input, however damaged, makes the parser touch memory outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace SkinUI {

// Offsets are in characters into the document text; indexes are into the element table,
// where 0 is a reserved empty record (so 0 also means "none") and the root is 1.
struct TXmlElement {
  int32_t name = 0;
  int32_t child = 0;
  int32_t next = 0;
  int32_t parent = 0;
  int32_t data = 0;
};

// Parsing treats every character up to 0x20 as whitespace.
inline bool IsXmlWhitespace(wchar_t ch) { return ch <= L' '; }

class CXmlParser {
 public:
  // `text` holds `length` characters followed by a zero; it must stay below 2^31 characters.
  CXmlParser(wchar_t* text, size_t length, std::vector<TXmlElement>& elements);

  bool Parse();

  // After a failed Parse: the message and the offset of the point of failure.
  const wchar_t* ErrorMessage() const { return error_message_; }
  size_t ErrorPosition() const { return error_position_; }

 private:
  bool ParseLevel(int32_t parent);
  bool ParseElement(int32_t parent, int32_t previous, int32_t* element);
  bool ParseContent(int32_t element, int32_t parent, size_t name_start, size_t name_end);
  bool ParseEndTag(size_t name_start, size_t name_end);
  bool ParseAttributes();
  bool ParseAttribute();
  bool FinishAtEnd(int32_t parent, size_t name_end, size_t content_end);
  void SkipDeclaration();
  int32_t AppendElement(int32_t parent, int32_t previous);

  // Decodes in place from the current position up to `terminator` or the end; returns the
  // end of the decoded output and leaves the position on the terminator.
  size_t DecodeText(wchar_t terminator);
  bool DecodeReference(size_t* output);

  wchar_t At(size_t position) const { return position < length_ ? text_[position] : L'\0'; }
  bool AtEnd() const { return position_ >= length_; }
  void SkipWhitespace();
  bool Fail(const wchar_t* message, size_t position);

  wchar_t* text_;
  size_t length_;
  std::vector<TXmlElement>& elements_;
  size_t position_ = 0;
  int depth_ = 0;
  const wchar_t* error_message_ = L"";
  size_t error_position_ = 0;
};

}  // namespace SkinUI
