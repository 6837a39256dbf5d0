// A compact text form of a parsed markup tree, so that tests can state a whole expected tree
// in one line: Name[attr=value,...]{children} with siblings separated by spaces.
#pragma once

#include <string>

#include "skinui/xml_document.h"
#include "skinui/xml_node.h"

namespace skin_test {

inline std::wstring DescribeNodes(SkinUI::CXmlNode node, int budget) {
  std::wstring text;
  for (; node.IsValid() && budget > 0; node = node.NextSibling(), --budget) {
    if (!text.empty()) text += L' ';
    text += node.Name();
    if (node.HasAttributes()) {
      text += L'[';
      for (int i = 0; i < node.AttributeCount(); ++i) {
        if (i > 0) text += L',';
        text += std::wstring(node.AttributeName(i)) + L"=" + node.AttributeValue(i);
      }
      text += L']';
    }
    if (node.HasChildren()) text += L'{' + DescribeNodes(node.FirstChild(), budget - 1) + L'}';
  }
  return text;
}

// The element count bounds the walk, so a broken link cannot loop the test.
inline std::wstring DescribeTree(const SkinUI::CXmlDocument& document) {
  return DescribeNodes(document.Root(), document.ElementCount());
}

}  // namespace skin_test
