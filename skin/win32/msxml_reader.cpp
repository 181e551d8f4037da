#include "skin/win32/msxml_reader.h"

#include <msxml2.h>
#include <oleauto.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "common/win32/automation.h"
#include "common/win32/com.h"
#include "skin/core/language_walk.h"

// The headers declare these interfaces without their identifiers.
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
                0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E,
                0x60)
__CRT_UUID_DECL(IXMLDOMNodeList, 0x2933BF82, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
                0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98,
                0x3E, 0x60)

namespace tl::skin {
namespace {

using win32::ComPtr;

// DOMDocument (version independent), then the 6.0 and 3.0 documents.
constexpr CLSID kDocumentClasses[] = {
    {0x2933BF90, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}},
    {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}},
    {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}},
};

using win32::Bstr;
using win32::Variant;

Text ToText(const wchar_t* text) {
  return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
}

// A node of the MSXML document as the walk of the language files sees it.
class MsxmlNode final : public XmlNode {
 public:
  explicit MsxmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  bool Name(Text& out) override {
    Bstr name;
    if (FAILED(node_->get_nodeName(name.put()))) return false;
    out = ToText(name.get());
    return true;
  }
  bool IsElement() override { return SUCCEEDED(node_.As(&element_)); }
  bool Attribute(const char16_t* name, std::optional<Text>& out) override {
    out.reset();
    if (!element_ && !IsElement()) return true;
    Bstr attributeName(reinterpret_cast<const wchar_t*>(name));
    Variant value;
    if (FAILED(element_->getAttribute(attributeName.get(), &value.get()))) return false;
    if (value.get().vt == VT_BSTR) out = ToText(value.get().bstrVal);
    return true;
  }
  bool Children(std::vector<std::unique_ptr<XmlNode>>& out) override {
    ComPtr<IXMLDOMNodeList> children;
    if (FAILED(node_->get_childNodes(children.GetAddressOf()))) return false;
    if (!children) return true;
    long count = 0;
    if (FAILED(children->get_length(&count))) return false;
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> child;
      if (FAILED(children->get_item(i, child.GetAddressOf()))) return false;
      if (child) out.push_back(std::make_unique<MsxmlNode>(std::move(child)));
    }
    return true;
  }

 private:
  ComPtr<IXMLDOMNode> node_;
  ComPtr<IXMLDOMElement> element_;
};

// Loads the document and hands its element to `walk`; a reader error while walking shows the
// message box the callers rely on.
template <typename Sink>
XmlReadResult Read(const Text& path, const wchar_t* caption, const Sink& sink,
                   XmlReadResult (*walk)(std::unique_ptr<XmlNode>, const Sink&)) {
  win32::ComApartment apartment;
  ComPtr<IXMLDOMDocument> document;
  bool created = false;
  for (const CLSID& cls : kDocumentClasses) {
    if (SUCCEEDED(::CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMDocument),
                                     reinterpret_cast<void**>(document.ReleaseAndGetAddressOf())))) {
      created = true;
      break;
    }
  }
  if (!created) return XmlReadResult::kNoDocument;

  ComPtr<IXMLDOMNode> rootNode;
  {
    document->put_async(VARIANT_FALSE);
    Variant source;
    source.get().vt = VT_BSTR;
    source.get().bstrVal = ::SysAllocString(reinterpret_cast<const wchar_t*>(path.c_str()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->load(source.get(), &loaded)) || loaded != VARIANT_TRUE)
      return XmlReadResult::kNoDocument;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(document->get_documentElement(root.GetAddressOf())) || !root || FAILED(root.As(&rootNode)))
      return XmlReadResult::kNoDocument;
  }
  const XmlReadResult result = walk(std::make_unique<MsxmlNode>(std::move(rootNode)), sink);
  if (result == XmlReadResult::kFailed) ::MessageBoxW(nullptr, L"Caught Exception: ReadElement", caption, MB_OK);
  return result;
}

}  // namespace

XmlReadResult MsxmlLanguageReader::ReadLanguageList(const Text& path, const LanguageSink& sink) {
  return Read(path, L"Language Manager", sink, &WalkLanguageList);
}

XmlReadResult MsxmlLanguageReader::ReadLanguageFile(const Text& path, const StringSink& sink) {
  return Read(path, L"Pixavo", sink, &WalkLanguageFile);
}

}  // namespace tl::skin
