// The base of a filter's property page: IPropertyPage around a dialog template of the module,
// with the title from its string table. The derived page talks to the filter it is given.
#pragma once

#include <ocidl.h>

#include <atomic>

#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/module_count.h"
#include "common/win32/com.h"

namespace tl::dshow {

class PropertyPage : public IPropertyPage {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT show) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR helpDirectory) override;
  STDMETHODIMP TranslateAccelerator(MSG* message) override;

 protected:
  PropertyPage(HINSTANCE module, int dialogId, int titleStringId);
  ~PropertyPage();
  virtual void Destroy() = 0;

  // The object the page shows (the first of SetObjects); failing refuses it.
  virtual HRESULT OnConnect(IUnknown* object) { return S_OK; }
  virtual void OnDisconnect() {}
  virtual void OnActivate(HWND dialog) {}
  virtual void OnDeactivate(HWND dialog) {}
  // Dialog messages after creation; TRUE when handled.
  virtual INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }
  virtual HRESULT OnApply() { return S_OK; }
  // Tells the frame that Apply has something to do.
  void SetDirty(bool dirty);

  HWND dialog() const { return dialog_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  std::atomic<ULONG> references_{1};
  ModuleObject counted_;
  HINSTANCE module_;
  int dialogId_;
  int titleStringId_;
  win32::ComPtr<IPropertyPageSite> site_;
  HWND dialog_ = nullptr;
  bool dirty_ = false;
  bool connected_ = false;
};

}  // namespace tl::dshow
