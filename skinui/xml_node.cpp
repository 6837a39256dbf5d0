#include "skinui/xml_node.h"

#include <cwchar>

#include "skinui/xml_document.h"

namespace SkinUI {

namespace {

// Attribute names and values were cut out with zeros by the parser and the gaps between
// them hold spaces (the '=' and shortened value tails), so the walk steps from zero to zero.
// A zero is not skipped as whitespace here: it ends an empty attribute name.
size_t SkipSpaces(const wchar_t* text, size_t position, size_t limit) {
  while (position < limit && text[position] != L'\0' && IsXmlWhitespace(text[position])) {
    ++position;
  }
  return position;
}

size_t PastZero(const wchar_t* text, size_t position, size_t limit) {
  while (position < limit && text[position] != L'\0') ++position;
  return position < limit ? position + 1 : limit;
}

}  // namespace

CXmlNode::CXmlNode(const CXmlDocument* document, int element)
    : document_(document), element_(element) {}

CXmlNode CXmlNode::NextSibling() const {
  if (!IsValid()) return CXmlNode();
  const int next = document_->Element(element_).next;
  return next != 0 ? CXmlNode(document_, next) : CXmlNode();
}

CXmlNode CXmlNode::FirstChild() const {
  if (!IsValid()) return CXmlNode();
  const int child = document_->Element(element_).child;
  return child != 0 ? CXmlNode(document_, child) : CXmlNode();
}

bool CXmlNode::HasChildren() const {
  return IsValid() && document_->Element(element_).child != 0;
}

const wchar_t* CXmlNode::Name() const {
  if (!IsValid()) return nullptr;
  return document_->Text() + document_->Element(element_).name;
}

int CXmlNode::AttributeCount() const {
  if (!IsValid()) return 0;
  if (attribute_count_ == 0) MapAttributes();
  return attribute_count_;
}

const wchar_t* CXmlNode::AttributeName(int index) const {
  if (!IsValid()) return nullptr;
  if (index < 0 || index >= AttributeCount()) return L"";
  return document_->Text() + attributes_[index].name;
}

const wchar_t* CXmlNode::AttributeValue(int index) const {
  if (!IsValid()) return nullptr;
  if (index < 0 || index >= AttributeCount()) return L"";
  return document_->Text() + attributes_[index].value;
}

bool CXmlNode::FindAttribute(const wchar_t* name, wchar_t* buffer, int capacity) const {
  const int count = AttributeCount();
  for (int i = 0; i < count; ++i) {
    if (std::wcscmp(AttributeName(i), name) != 0) continue;
    if (capacity > 0) std::wcsncpy(buffer, AttributeValue(i), static_cast<size_t>(capacity));
    return true;
  }
  return false;
}

void CXmlNode::MapAttributes() const {
  const wchar_t* text = document_->Text();
  const TXmlElement& element = document_->Element(element_);
  const size_t limit = static_cast<size_t>(element.data);
  size_t position = PastZero(text, static_cast<size_t>(element.name), limit);
  int count = 0;
  while (count < kMaxXmlAttributes) {
    position = SkipSpaces(text, position, limit);
    if (position >= limit) break;
    const size_t name = position;
    position = SkipSpaces(text, PastZero(text, position, limit), limit);
    if (position >= limit || text[position] != L'"') break;
    attributes_[count].name = static_cast<int32_t>(name);
    attributes_[count].value = static_cast<int32_t>(position + 1);
    ++count;
    position = PastZero(text, position + 1, limit);
  }
  attribute_count_ = count;
}

}  // namespace SkinUI
