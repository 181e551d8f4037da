#include "common/dshow/win32/property_page.h"

#include <olectl.h>

#include <cstring>

namespace tl::dshow {
namespace {

// A task-memory copy of a string, as PROPPAGEINFO hands them out.
LPOLESTR TaskMemString(const wchar_t* text) {
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text, bytes);
  return copy;
}

}  // namespace

PropertyPage::PropertyPage(HINSTANCE module, int dialogId, int titleStringId)
    : module_(module), dialogId_(dialogId), titleStringId_(titleStringId) {}

PropertyPage::~PropertyPage() {
  if (dialog_) ::DestroyWindow(dialog_);
}

STDMETHODIMP PropertyPage::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
    *out = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertyPage::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) PropertyPage::Release() {
  const ULONG left = --references_;
  if (left == 0) Destroy();
  return left;
}

STDMETHODIMP PropertyPage::SetPageSite(IPropertyPageSite* site) {
  if (site && site_) return E_UNEXPECTED;
  site_ = site;
  return S_OK;
}

INT_PTR CALLBACK PropertyPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  auto* page = reinterpret_cast<PropertyPage*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (!page) return FALSE;
  if (message == WM_INITDIALOG) return TRUE;
  return page->OnMessage(dialog, message, wParam, lParam);
}

STDMETHODIMP PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!rect) return E_POINTER;
  if (dialog_) return E_UNEXPECTED;
  dialog_ = ::CreateDialogParamW(module_, MAKEINTRESOURCEW(dialogId_), parent, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!dialog_) return E_OUTOFMEMORY;
  OnActivate(dialog_);
  Move(rect);
  return Show(SW_SHOWNORMAL);
}

STDMETHODIMP PropertyPage::Deactivate() {
  if (!dialog_) return E_UNEXPECTED;
  OnDeactivate(dialog_);
  ::DestroyWindow(dialog_);
  dialog_ = nullptr;
  return S_OK;
}

STDMETHODIMP PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  std::memset(info, 0, sizeof(*info));
  info->cb = sizeof(*info);
  wchar_t title[128] = {};
  ::LoadStringW(module_, static_cast<UINT>(titleStringId_), title, 128);
  info->pszTitle = TaskMemString(title);
  // The template's size in pixels, measured on a hidden instance.
  HWND probe = ::CreateDialogParamW(module_, MAKEINTRESOURCEW(dialogId_), ::GetDesktopWindow(), DialogProc, 0);
  if (probe) {
    RECT r{};
    ::GetWindowRect(probe, &r);
    info->size = {r.right - r.left, r.bottom - r.top};
    ::DestroyWindow(probe);
  }
  return info->pszTitle ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count && !objects) return E_POINTER;
  if (connected_) {
    OnDisconnect();
    connected_ = false;
  }
  if (count == 0) return S_OK;
  const HRESULT hr = OnConnect(objects[0]);
  connected_ = SUCCEEDED(hr);
  return hr;
}

STDMETHODIMP PropertyPage::Show(UINT show) {
  if (!dialog_) return E_UNEXPECTED;
  if (show != SW_SHOW && show != SW_SHOWNORMAL && show != SW_HIDE) return E_INVALIDARG;
  ::ShowWindow(dialog_, static_cast<int>(show));
  return S_OK;
}

STDMETHODIMP PropertyPage::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  if (!dialog_) return E_UNEXPECTED;
  ::MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

STDMETHODIMP PropertyPage::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP PropertyPage::Apply() {
  if (!dirty_) return S_OK;
  const HRESULT hr = OnApply();
  if (SUCCEEDED(hr)) dirty_ = false;
  return hr;
}

STDMETHODIMP PropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP PropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

void PropertyPage::SetDirty(bool dirty) {
  dirty_ = dirty;
  if (site_) site_->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY : PROPPAGESTATUS_CLEAN);
}

}  // namespace tl::dshow
