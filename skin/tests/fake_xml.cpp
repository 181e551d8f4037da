#include "skin/tests/fake_xml.h"

namespace tl::skin::testing {
namespace {

bool IsNameChar(char c) {
  return c != '>' && c != '/' && c != '=' && c != '<' && c != ' ' && c != '\t' && c != '\r' && c != '\n';
}

// UTF-8 where it decodes, else the byte itself.
Text Widen(std::string_view bytes) {
  Text out;
  for (size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    char32_t code = length == 1 ? b : b & (0x3F >> (length - 1));
    bool ok = length == 1 || i + length <= bytes.size();
    for (size_t k = 1; ok && k < length; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      ok = (c & 0xC0) == 0x80;
      code = (code << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return out;
}

class FakeNode final : public XmlNode {
 public:
  explicit FakeNode(const FakeXmlElement& element) : element_(element) {}
  bool Name(Text& out) override {
    out = element_.name;
    return true;
  }
  bool IsElement() override { return element_.name != u"#text"; }
  bool Attribute(const char16_t* name, std::optional<Text>& out) override {
    out.reset();
    for (const auto& [key, value] : element_.attributes) {
      if (key == name) {
        out = value;
        break;
      }
    }
    return true;
  }
  bool Children(std::vector<std::unique_ptr<XmlNode>>& out) override {
    if (element_.name == u"reader-error") return false;
    for (const FakeXmlElement& child : element_.children) out.push_back(std::make_unique<FakeNode>(child));
    return true;
  }

 private:
  const FakeXmlElement& element_;
};

}  // namespace

std::vector<FakeXmlElement> ParseFakeXml(std::string_view text) {
  FakeXmlElement top;
  std::vector<FakeXmlElement*> open{&top};
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  };
  while (i < text.size()) {
    if (text[i] != '<') {
      const size_t end = std::min(text.find('<', i), text.size());
      if (open.size() > 1) open.back()->children.push_back({u"#text", {}, {}});
      i = end;
      continue;
    }
    if (text.substr(i, 4) == "<!--") {
      const size_t end = text.find("-->", i + 4);
      i = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '!')) {
      const size_t end = text.find('>', i);
      i = end == std::string_view::npos ? text.size() : end + 1;
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '/') {
      const size_t end = text.find('>', i);
      i = end == std::string_view::npos ? text.size() : end + 1;
      if (open.size() > 1) open.pop_back();
      continue;
    }
    ++i;
    const size_t nameStart = i;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    FakeXmlElement element{Widen(text.substr(nameStart, i - nameStart)), {}, {}};
    bool selfClosing = false;
    for (;;) {
      skipBlanks();
      if (i >= text.size()) break;
      if (text[i] == '>') {
        ++i;
        break;
      }
      if (text[i] == '/') {
        selfClosing = true;
        ++i;
        continue;
      }
      const size_t keyStart = i;
      while (i < text.size() && IsNameChar(text[i])) ++i;
      if (i == keyStart) {  // a stray '=' or '<'
        ++i;
        continue;
      }
      Text key = Widen(text.substr(keyStart, i - keyStart));
      skipBlanks();
      if (i >= text.size() || text[i] != '=') {
        element.attributes.emplace_back(std::move(key), Text());
        continue;
      }
      ++i;
      skipBlanks();
      if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i++];
        const size_t end = std::min(text.find(quote, i), text.size());
        element.attributes.emplace_back(std::move(key), Widen(text.substr(i, end - i)));
        i = std::min(end + 1, text.size());
      } else {
        const size_t valueStart = i;
        while (i < text.size() && IsNameChar(text[i])) ++i;
        element.attributes.emplace_back(std::move(key), Widen(text.substr(valueStart, i - valueStart)));
      }
    }
    open.back()->children.push_back(std::move(element));
    if (!selfClosing && open.size() <= kMaxDepth) open.push_back(&open.back()->children.back());
  }
  std::vector<FakeXmlElement> documents;
  for (FakeXmlElement& element : top.children)
    if (element.name != u"#text") documents.push_back(std::move(element));
  return documents;
}

std::unique_ptr<XmlNode> MakeFakeXmlNode(const FakeXmlElement& element) { return std::make_unique<FakeNode>(element); }

}  // namespace tl::skin::testing
