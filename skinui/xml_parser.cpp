#include "skinui/xml_parser.h"

#include <cwctype>

namespace SkinUI {

namespace {

// Deep enough for any skin; a bound keeps a hostile document from exhausting the stack.
constexpr int kMaxNestingDepth = 1000;

struct TReference {
  const wchar_t* name;  // without the leading '&', with the trailing ';'
  size_t length;
  wchar_t character;
};

constexpr TReference kReferences[] = {
    {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'},
    {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
};

bool IsNameChar(wchar_t ch) {
  return ch == L'_' || ch == L':' || std::iswalnum(ch);
}

}  // namespace

CXmlParser::CXmlParser(wchar_t* text, size_t length, std::vector<TXmlElement>& elements)
    : text_(text), length_(length), elements_(elements) {}

bool CXmlParser::Parse() {
  elements_.clear();
  elements_.push_back(TXmlElement{});
  position_ = 0;
  depth_ = 0;
  error_message_ = L"";
  error_position_ = 0;
  SkipWhitespace();
  return ParseLevel(0);
}

bool CXmlParser::ParseLevel(int32_t parent) {
  int32_t previous = 0;
  for (;;) {
    SkipWhitespace();
    if (AtEnd()) return parent <= 1 || Fail(L"Expected start tag", position_);
    if (At(position_) != L'<') return Fail(L"Expected start tag", position_);
    if (At(position_ + 1) == L'/') return true;
    // The zero ends the text content of whatever came before this tag.
    text_[position_++] = L'\0';
    SkipWhitespace();
    if (At(position_) == L'!' || At(position_) == L'?') {
      SkipDeclaration();
      continue;
    }
    int32_t element = 0;
    if (!ParseElement(parent, previous, &element)) return false;
    previous = element;
  }
}

bool CXmlParser::ParseElement(int32_t parent, int32_t previous, int32_t* element) {
  *element = AppendElement(parent, previous);
  const size_t name_start = position_;
  while (IsNameChar(At(position_))) ++position_;
  const size_t name_end = position_;
  if (AtEnd()) return Fail(L"Error parsing element name", position_);
  if (!ParseAttributes()) return false;
  SkipWhitespace();
  if (At(position_) == L'/' && At(position_ + 1) == L'>') {
    elements_[*element].data = static_cast<int32_t>(position_);
    text_[position_] = L'\0';
    position_ += 2;
  } else {
    if (At(position_) != L'>') return Fail(L"Expected start-tag closing", position_);
    ++position_;
    elements_[*element].data = static_cast<int32_t>(position_);
    if (!ParseContent(*element, parent, name_start, name_end)) return false;
  }
  text_[name_end] = L'\0';
  return true;
}

bool CXmlParser::ParseContent(int32_t element, int32_t parent, size_t name_start,
                              size_t name_end) {
  const size_t content_end = DecodeText(L'<');
  if (AtEnd()) return FinishAtEnd(parent, name_end, content_end);
  if (At(position_ + 1) != L'/') {
    ++depth_;
    if (depth_ > kMaxNestingDepth) return Fail(L"Elements nested too deeply", position_);
    if (!ParseLevel(element)) return false;
    --depth_;
    if (AtEnd()) return FinishAtEnd(parent, name_end, content_end);
  }
  text_[content_end] = L'\0';
  return ParseEndTag(name_start, name_end);
}

// The text may end inside the root or one of its children: the markup is taken as complete.
// Name and content are cut here too, since no end tag will do it.
bool CXmlParser::FinishAtEnd(int32_t parent, size_t name_end, size_t content_end) {
  if (parent > 1) return Fail(L"Expected end-tag start", position_);
  text_[content_end] = L'\0';
  text_[name_end] = L'\0';
  return true;
}

bool CXmlParser::ParseEndTag(size_t name_start, size_t name_end) {
  position_ += 2;
  SkipWhitespace();
  for (size_t i = name_start; i < name_end; ++i) {
    if (At(position_ + (i - name_start)) != text_[i]) {
      return Fail(L"Unmatched closing tag", position_);
    }
  }
  position_ += name_end - name_start;
  SkipWhitespace();
  if (At(position_) != L'>') return Fail(L"Unmatched closing tag", position_);
  ++position_;
  return true;
}

bool CXmlParser::ParseAttributes() {
  const wchar_t after_name = At(position_);
  if (after_name == L'>') return true;
  // A '/' stays for the "/>" test, so that <Name/> and <Name /> are both empty elements.
  if (IsXmlWhitespace(after_name)) text_[position_] = L'\0';
  SkipWhitespace();
  for (;;) {
    const wchar_t ch = At(position_);
    if (AtEnd() || ch == L'/' || ch == L'>') return true;
    if (!ParseAttribute()) return false;
  }
}

bool CXmlParser::ParseAttribute() {
  while (IsNameChar(At(position_))) ++position_;
  const size_t name_end = position_;
  SkipWhitespace();
  if (At(position_) != L'=') return Fail(L"Error while parsing attributes", position_);
  text_[position_] = L' ';
  text_[name_end] = L'\0';
  ++position_;
  SkipWhitespace();
  if (At(position_) != L'"') {
    const size_t after = position_ < length_ ? position_ + 1 : length_;
    return Fail(L"Expected attribute value", after);
  }
  ++position_;
  const size_t value_end = DecodeText(L'"');
  if (AtEnd()) return Fail(L"Error while parsing attribute string", position_);
  // The attribute mapping walks from zero to zero, so a shortened value leaves spaces only.
  text_[value_end] = L'\0';
  if (value_end != position_) text_[position_] = L' ';
  ++position_;
  SkipWhitespace();
  return true;
}

void CXmlParser::SkipDeclaration() {
  const wchar_t closing = At(position_) == L'!' ? L'-' : L'?';
  ++position_;
  while (!AtEnd() && !(At(position_) == closing && At(position_ + 1) == L'>')) ++position_;
  if (!AtEnd()) position_ += 2;
}

int32_t CXmlParser::AppendElement(int32_t parent, int32_t previous) {
  if (elements_.size() == elements_.capacity()) {
    elements_.reserve(elements_.capacity() + elements_.capacity() / 2 + 500);
  }
  TXmlElement record;
  record.name = static_cast<int32_t>(position_);
  record.parent = parent;
  const int32_t index = static_cast<int32_t>(elements_.size());
  elements_.push_back(record);
  if (previous != 0) {
    elements_[previous].next = index;
  } else if (parent != 0) {
    elements_[parent].child = index;
  }
  return index;
}

size_t CXmlParser::DecodeText(wchar_t terminator) {
  size_t output = position_;
  while (!AtEnd() && text_[position_] != terminator) {
    if (text_[position_] == L'&' && DecodeReference(&output)) continue;
    text_[output++] = text_[position_++];
  }
  for (size_t i = output; i < position_; ++i) text_[i] = L' ';
  return output;
}

bool CXmlParser::DecodeReference(size_t* output) {
  for (const TReference& reference : kReferences) {
    size_t matched = 0;
    while (matched < reference.length &&
           At(position_ + 1 + matched) == reference.name[matched]) {
      ++matched;
    }
    if (matched == reference.length) {
      text_[(*output)++] = reference.character;
      position_ += 1 + reference.length;
      return true;
    }
  }
  return false;
}

void CXmlParser::SkipWhitespace() {
  while (!AtEnd() && IsXmlWhitespace(text_[position_])) ++position_;
}

bool CXmlParser::Fail(const wchar_t* message, size_t position) {
  error_message_ = message;
  error_position_ = position;
  return false;
}

}  // namespace SkinUI
