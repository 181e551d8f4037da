// A lenient reader of XML-like text into nodes for the language walk, standing in for the
// platform's XML reader in the native tests and the fuzzer: elements with attributes in single or
// double quotes, text between them as "#text" nodes, declarations and comments skipped, no
// entities, bytes taken as UTF-8 where they decode and one by one otherwise. Unclosed elements
// close at the end; nesting deeper than kMaxDepth continues at that depth. An element named
// "reader-error" makes the reader fail when its children are asked for.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "skin/core/language_walk.h"

namespace tl::skin::testing {

struct FakeXmlElement {
  Text name;  // "#text" for text
  std::vector<std::pair<Text, Text>> attributes;
  std::vector<FakeXmlElement> children;
};

inline constexpr size_t kMaxDepth = 200;

// The top-level elements of the text, in order (each stands for one document).
std::vector<FakeXmlElement> ParseFakeXml(std::string_view text);

std::unique_ptr<XmlNode> MakeFakeXmlNode(const FakeXmlElement& element);

}  // namespace tl::skin::testing
