// A renderer's video window with IVideoWindow on it. The window runs on a thread of its own, so
// that it is drawn, gets its timers and answers its messages whatever the player's threads do
// (a graph may be built on a worker thread that ends). IVideoWindow calls from other threads
// reach it through the ordinary cross-thread window calls.
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/dshow.h"

namespace tl::dshow {

struct WindowSpec {
  const wchar_t* className;
  UINT classStyle;
  DWORD style;
  DWORD exStyle;
  const wchar_t* caption;
  HINSTANCE module;
  HICON icon;  // may be null
};

class ControlWindow : public IVideoWindow {
 public:
  // Lives inside `owner` and shares its reference count and identity.
  explicit ControlWindow(BaseFilter& owner);
  ~ControlWindow();
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  // Creates the window (hidden) and its thread; false when either fails.
  bool Create(const WindowSpec& spec);
  // Destroys the window and ends its thread; also right from a message of the window itself.
  void Close();
  HWND hwnd() const { return window_.load(); }
  bool OnWindowThread() const { return ::GetCurrentThreadId() == threadId_.load(); }
  // Runs `work` on the window's thread and waits for it (at once when already there).
  void RunOnWindowThread(const std::function<void()>& work);

  bool autoShow() const { return autoShow_; }
  bool cursorHidden() const { return cursorHidden_; }
  HWND messageDrain() const { return drain_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  TL_DSHOW_NO_TYPE_INFO
  // IVideoWindow
  STDMETHODIMP put_Caption(BSTR caption) override;
  STDMETHODIMP get_Caption(BSTR* caption) override;
  STDMETHODIMP put_WindowStyle(long style) override;
  STDMETHODIMP get_WindowStyle(long* style) override;
  STDMETHODIMP put_WindowStyleEx(long style) override;
  STDMETHODIMP get_WindowStyleEx(long* style) override;
  STDMETHODIMP put_AutoShow(long autoShow) override;
  STDMETHODIMP get_AutoShow(long* autoShow) override;
  STDMETHODIMP put_WindowState(long state) override;
  STDMETHODIMP get_WindowState(long* state) override;
  STDMETHODIMP put_BackgroundPalette(long palette) override;
  STDMETHODIMP get_BackgroundPalette(long* palette) override;
  STDMETHODIMP put_Visible(long visible) override;
  STDMETHODIMP get_Visible(long* visible) override;
  STDMETHODIMP put_Left(long left) override;
  STDMETHODIMP get_Left(long* left) override;
  STDMETHODIMP put_Width(long width) override;
  STDMETHODIMP get_Width(long* width) override;
  STDMETHODIMP put_Top(long top) override;
  STDMETHODIMP get_Top(long* top) override;
  STDMETHODIMP put_Height(long height) override;
  STDMETHODIMP get_Height(long* height) override;
  STDMETHODIMP put_Owner(OAHWND owner) override;
  STDMETHODIMP get_Owner(OAHWND* owner) override;
  STDMETHODIMP put_MessageDrain(OAHWND drain) override;
  STDMETHODIMP get_MessageDrain(OAHWND* drain) override;
  STDMETHODIMP get_BorderColor(long* color) override;
  STDMETHODIMP put_BorderColor(long color) override;
  STDMETHODIMP get_FullScreenMode(long* mode) override;
  STDMETHODIMP put_FullScreenMode(long mode) override;
  STDMETHODIMP SetWindowForeground(long focus) override;
  STDMETHODIMP NotifyOwnerMessage(OAHWND window, long message, LONG_PTR wParam, LONG_PTR lParam) override;
  STDMETHODIMP SetWindowPosition(long left, long top, long width, long height) override;
  STDMETHODIMP GetWindowPosition(long* left, long* top, long* width, long* height) override;
  STDMETHODIMP GetMinIdealImageSize(long* width, long* height) override;
  STDMETHODIMP GetMaxIdealImageSize(long* width, long* height) override;
  STDMETHODIMP GetRestorePosition(long* left, long* top, long* width, long* height) override;
  STDMETHODIMP HideCursor(long hide) override;
  STDMETHODIMP IsCursorHidden(long* hidden) override;

  // Sizes the window so that its client area is the video's, unless the application placed it.
  void SetDefaultClientSize(int width, int height);

 protected:
  // Messages of the window, on its thread. The base forwards keyboard and mouse messages to the
  // message drain, hides the cursor when asked, and turns closing into hiding plus
  // EC_USERABORT; everything else goes to DefWindowProc.
  // (`window` is also given while it is being created, before hwnd() knows it.)
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The native video size, for the ideal image sizes; {0, 0} without a format.
  virtual SIZE NativeVideoSize() { return {0, 0}; }

  BaseFilter& owner_;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ThreadMain(WindowSpec spec, std::promise<bool>& created);
  HRESULT Place(std::optional<long> left, std::optional<long> top, std::optional<long> width,
                std::optional<long> height);
  RECT WindowRectInParent() const;

  std::thread thread_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> autoShow_{true};
  std::atomic<bool> cursorHidden_{false};
  std::atomic<bool> placedByApplication_{false};
  std::atomic<HWND> drain_{nullptr};
  std::atomic<HWND> ownerWindow_{nullptr};
  long borderColor_ = 0;
  long backgroundPalette_ = OATRUE;
};

}  // namespace tl::dshow
