// Walking a language list or a language file once the XML reader has the document: depth first
// from the document element, every element of the wanted name at any depth, in document order.
// The reader behind XmlNode is the platform's; everything decided about the files is here.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "skin/core/language.h"

namespace tl::skin {

// One node of a document as the reader sees it. Each call returns false on a reader error, which
// ends the walk (what was reported before stays).
class XmlNode {
 public:
  virtual ~XmlNode() = default;
  virtual bool Name(Text& out) = 0;
  // Whether the node is an element (only elements carry attributes).
  virtual bool IsElement() = 0;
  // The attribute's text; none when the element does not carry it.
  virtual bool Attribute(const char16_t* name, std::optional<Text>& out) = 0;
  // The child nodes in document order.
  virtual bool Children(std::vector<std::unique_ptr<XmlNode>>& out) = 0;
};

// <language id name file>: missing attributes give id 0 and empty texts.
XmlReadResult WalkLanguageList(std::unique_ptr<XmlNode> documentElement, const LanguageXmlReader::LanguageSink& sink);
// <string index message>: elements that lack either attribute are skipped.
XmlReadResult WalkLanguageFile(std::unique_ptr<XmlNode> documentElement, const LanguageXmlReader::StringSink& sink);

}  // namespace tl::skin
