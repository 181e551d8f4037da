#include "skin/core/language_walk.h"

#include <functional>
#include <utility>

namespace tl::skin {
namespace {

using Visit = std::function<bool(XmlNode&)>;

XmlReadResult Walk(std::unique_ptr<XmlNode> root, std::u16string_view wanted, const Visit& visit) {
  if (!root) return XmlReadResult::kNoDocument;
  // An explicit stack: a deeply nested file cannot exhaust the thread's stack.
  std::vector<std::unique_ptr<XmlNode>> pending;
  pending.push_back(std::move(root));
  std::vector<std::unique_ptr<XmlNode>> children;
  while (!pending.empty()) {
    std::unique_ptr<XmlNode> node = std::move(pending.back());
    pending.pop_back();
    Text name;
    if (!node->Name(name)) return XmlReadResult::kFailed;
    if (name == wanted && node->IsElement() && !visit(*node)) return XmlReadResult::kFailed;
    children.clear();
    if (!node->Children(children)) return XmlReadResult::kFailed;
    // Pushed last to first so that they are visited in document order.
    for (auto child = children.rbegin(); child != children.rend(); ++child)
      if (*child) pending.push_back(std::move(*child));
  }
  return XmlReadResult::kWalked;
}

}  // namespace

XmlReadResult WalkLanguageList(std::unique_ptr<XmlNode> documentElement, const LanguageXmlReader::LanguageSink& sink) {
  return Walk(std::move(documentElement), u"language", [&](XmlNode& element) {
    std::optional<Text> id, name, file;
    if (!element.Attribute(u"id", id) || !element.Attribute(u"name", name) || !element.Attribute(u"file", file))
      return false;
    sink(id ? ParseDecimal(*id) : 0, name.value_or(Text()), file.value_or(Text()));
    return true;
  });
}

XmlReadResult WalkLanguageFile(std::unique_ptr<XmlNode> documentElement, const LanguageXmlReader::StringSink& sink) {
  return Walk(std::move(documentElement), u"string", [&](XmlNode& element) {
    std::optional<Text> index, message;
    if (!element.Attribute(u"index", index) || !element.Attribute(u"message", message)) return false;
    if (index && message) sink(std::move(*index), std::move(*message));
    return true;
  });
}

}  // namespace tl::skin
