#include "renderer_filter/win32/quality_page.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "common/dshow/win32/dshow.h"
#include "common/win32/module_path.h"
#include "renderer_filter/win32/resource.h"

namespace tl::renderer {
namespace {

constexpr UINT_PTR kRefreshTimer = 4756;
constexpr UINT kRefreshMilliseconds = 100;

class QualityPage final : public dshow::PropertyPage {
 public:
  QualityPage() : PropertyPage(win32::CurrentModule(), IDD_QUALITY_PAGE, IDS_QUALITY) {}

 protected:
  void Destroy() override { delete this; }
  HRESULT OnConnect(IUnknown* object) override {
    if (!object) return E_POINTER;
    return object->QueryInterface(IID_IQualProp, reinterpret_cast<void**>(quality_.ReleaseAndGetAddressOf()));
  }
  void OnDisconnect() override { quality_.Reset(); }
  void OnActivate(HWND dialog) override {
    Refresh(dialog);
    ::SetTimer(dialog, kRefreshTimer, kRefreshMilliseconds, nullptr);
  }
  void OnDeactivate(HWND dialog) override { ::KillTimer(dialog, kRefreshTimer); }
  INT_PTR OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) override {
    if (message != WM_TIMER || wParam != kRefreshTimer) return FALSE;
    Refresh(dialog);
    return TRUE;
  }

 private:
  void Refresh(HWND dialog) {
    if (!quality_) return;
    auto show = [dialog](int id, HRESULT (STDMETHODCALLTYPE IQualProp::*get)(int*), IQualProp* q) {
      int value = 0;
      (q->*get)(&value);
      ::SetDlgItemTextW(dialog, id, std::to_wstring(value).c_str());
    };
    IQualProp* q = quality_.Get();
    show(IDC_FRAMES_PLAYED, &IQualProp::get_FramesDrawn, q);
    show(IDC_FRAMES_DROPPED, &IQualProp::get_FramesDroppedInRenderer, q);
    show(IDC_JITTER, &IQualProp::get_Jitter, q);
    show(IDC_SYNC_OFFSET, &IQualProp::get_AvgSyncOffset, q);
    show(IDC_SYNC_DEVIATION, &IQualProp::get_DevSyncOffset, q);
    int rate = 0;
    q->get_AvgFrameRate(&rate);
    ::SetDlgItemTextW(dialog, IDC_FRAME_RATE, FrameRateText(rate).c_str());
  }

  win32::ComPtr<IQualProp> quality_;
};

}  // namespace

std::wstring FrameRateText(int hundredths) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%d.%02d", hundredths / 100, std::abs(hundredths % 100));
  return text;
}

HRESULT CreateQualityPage(REFIID iid, void** out) {
  auto* page = new (std::nothrow) QualityPage;
  if (!page) return E_OUTOFMEMORY;
  const HRESULT hr = page->QueryInterface(iid, out);
  page->Release();
  return hr;
}

}  // namespace tl::renderer
