#include "audio_operator/win32/automation.h"

#include <climits>
#include <memory>

#include "common/win32/automation.h"
#include "common/win32/com.h"

namespace tl::audio_operator {
namespace {

struct SafeArrayDeleter {
  void operator()(SAFEARRAY* array) const { ::SafeArrayDestroy(array); }
};
using SafeArrayOwner = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

// Fills an array of `count` VARIANTs element by element and hands it to *out.
template <typename Fill>
HRESULT ReturnArray(size_t count, VARIANT* out, Fill fill) {
  if (count > ULONG_MAX) return E_OUTOFMEMORY;
  SafeArrayOwner array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count)));
  if (!array) return E_OUTOFMEMORY;
  for (LONG i = 0; static_cast<size_t>(i) < count; ++i) {
    win32::Variant element;
    if (!fill(static_cast<size_t>(i), element)) return E_OUTOFMEMORY;
    const HRESULT hr = ::SafeArrayPutElement(array.get(), &i, &element.get());  // copies the element
    if (FAILED(hr)) return hr;
  }
  V_VT(out) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(out) = array.release();
  return S_OK;
}

}  // namespace

std::wstring_view View(BSTR text) { return text ? std::wstring_view(text, ::SysStringLen(text)) : std::wstring_view(); }

HRESULT ReturnString(std::wstring_view text, BSTR* out) {
  *out = win32::Bstr(text).release();
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnStrings(const std::vector<std::wstring>& texts, VARIANT* out) {
  return ReturnArray(texts.size(), out, [&](size_t i, win32::Variant& element) { return element.SetString(texts[i]); });
}

HRESULT ReturnDoubles(const std::vector<double>& values, VARIANT* out) {
  return ReturnArray(values.size(), out, [&](size_t i, win32::Variant& element) {
    element.SetDouble(values[i]);
    return true;
  });
}

HRESULT ReportError(HRESULT status, std::wstring_view description, REFIID iid, const wchar_t* source) {
  win32::ComPtr<ICreateErrorInfo> create;
  win32::ComPtr<IErrorInfo> info;
  const std::wstring text(description);
  const std::wstring sourceText(source);
  // The error information is a courtesy: without it the caller still gets the status.
  if (SUCCEEDED(::CreateErrorInfo(&create)) && SUCCEEDED(create->SetGUID(iid)) &&
      SUCCEEDED(create->SetSource(const_cast<wchar_t*>(sourceText.c_str()))) &&
      SUCCEEDED(create->SetDescription(const_cast<wchar_t*>(text.c_str()))) && SUCCEEDED(create.As(&info)))
    ::SetErrorInfo(0, info.Get());
  return status;
}

void ClearError() { ::SetErrorInfo(0, nullptr); }

}  // namespace tl::audio_operator
