// A small value handle on one element of a CXmlDocument; it owns nothing and is valid while
// the document keeps its text. Attributes are located on the first query and cached in the
// handle; at most kMaxXmlAttributes of them are visible.
#pragma once

#include <cstdint>

namespace SkinUI {

class CXmlDocument;

inline constexpr int kMaxXmlAttributes = 64;

class CXmlNode {
 public:
  CXmlNode() = default;
  CXmlNode(const CXmlDocument* document, int element);

  bool IsValid() const { return document_ != nullptr; }
  CXmlNode NextSibling() const;
  CXmlNode FirstChild() const;
  bool HasChildren() const;
  const wchar_t* Name() const;  // null for an invalid node

  int AttributeCount() const;
  bool HasAttributes() const { return AttributeCount() > 0; }
  // Null for an invalid node, the empty string for an index outside 0..count-1.
  const wchar_t* AttributeName(int index) const;
  const wchar_t* AttributeValue(int index) const;

  // Case-sensitive. Copies at most `capacity` characters of the value, like wcsncpy: the rest
  // is zero-filled, and a longer value is left unterminated (give a buffer one larger).
  bool FindAttribute(const wchar_t* name, wchar_t* buffer, int capacity) const;

 private:
  struct TAttribute {
    int32_t name;
    int32_t value;
  };

  void MapAttributes() const;

  const CXmlDocument* document_ = nullptr;
  int element_ = 0;
  // 0 also means "not mapped yet": an element without attributes is walked on every query.
  mutable int attribute_count_ = 0;
  mutable TAttribute attributes_[kMaxXmlAttributes] = {};
};

}  // namespace SkinUI
