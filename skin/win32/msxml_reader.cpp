#include "skin/win32/msxml_reader.h"

#include <msxml2.h>
#include <oleauto.h>

#include <functional>
#include <optional>
#include <vector>

#include "common/win32/automation.h"
#include "common/win32/com.h"

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

struct ComError {
  HRESULT hr;
};

void Check(HRESULT hr) {
  if (FAILED(hr)) throw ComError{hr};
}

Text ToText(const wchar_t* text) {
  return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
}

// An attribute as text; none when the element does not carry it.
std::optional<Text> Attribute(IXMLDOMElement* element, const wchar_t* name) {
  Bstr attributeName(name);
  Variant value;
  Check(element->getAttribute(attributeName.get(), &value.get()));
  if (value.get().vt != VT_BSTR) return std::nullopt;
  return ToText(value.get().bstrVal);
}

using ElementVisitor = std::function<void(IXMLDOMElement*)>;

// Depth first through the document element, visiting every element of the wanted name.
XmlReadResult Walk(const Text& path, const wchar_t* elementName, const wchar_t* caption,
                   const ElementVisitor& visit) {
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

  ComPtr<IXMLDOMElement> root;
  {
    document->put_async(VARIANT_FALSE);
    Variant source;
    source.get().vt = VT_BSTR;
    source.get().bstrVal = ::SysAllocString(reinterpret_cast<const wchar_t*>(path.c_str()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->load(source.get(), &loaded)) || loaded != VARIANT_TRUE)
      return XmlReadResult::kNoDocument;
    if (FAILED(document->get_documentElement(root.GetAddressOf())) || !root)
      return XmlReadResult::kNoDocument;
  }

  try {
    // An explicit stack: a deeply nested file cannot exhaust the thread's stack.
    std::vector<ComPtr<IXMLDOMNode>> pending;
    ComPtr<IXMLDOMNode> rootNode;
    Check(root.As(&rootNode));
    pending.push_back(rootNode);
    while (!pending.empty()) {
      ComPtr<IXMLDOMNode> node = std::move(pending.back());
      pending.pop_back();
      Bstr name;
      Check(node->get_nodeName(name.put()));
      if (name.get() && std::wcscmp(name.get(), elementName) == 0) {
        ComPtr<IXMLDOMElement> element;
        if (SUCCEEDED(node.As(&element))) visit(element.Get());
      }
      ComPtr<IXMLDOMNodeList> children;
      Check(node->get_childNodes(children.GetAddressOf()));
      if (!children) continue;
      long count = 0;
      Check(children->get_length(&count));
      // Pushed last to first so that they are visited in document order.
      for (long i = count - 1; i >= 0; --i) {
        ComPtr<IXMLDOMNode> child;
        Check(children->get_item(i, child.GetAddressOf()));
        if (child) pending.push_back(std::move(child));
      }
    }
  } catch (const ComError&) {
    ::MessageBoxW(nullptr, L"Caught Exception: ReadElement", caption, MB_OK);
    return XmlReadResult::kFailed;
  }
  return XmlReadResult::kWalked;
}

}  // namespace

XmlReadResult MsxmlLanguageReader::ReadLanguageList(const Text& path, const LanguageSink& sink) {
  return Walk(path, L"language", L"Language Manager", [&](IXMLDOMElement* element) {
    const auto id = Attribute(element, L"id");
    const auto name = Attribute(element, L"name");
    const auto file = Attribute(element, L"file");
    sink(id ? ParseDecimal(*id) : 0, name.value_or(Text()), file.value_or(Text()));
  });
}

XmlReadResult MsxmlLanguageReader::ReadLanguageFile(const Text& path, const StringSink& sink) {
  return Walk(path, L"string", L"Pixavo", [&](IXMLDOMElement* element) {
    auto index = Attribute(element, L"index");
    auto message = Attribute(element, L"message");
    if (index && message) sink(std::move(*index), std::move(*message));
  });
}

}  // namespace tl::skin
