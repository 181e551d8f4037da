// A message-only window on the thread that creates it: other threads wake that thread through
// it, and the thread runs the handler from its message loop, as COM's apartment rules want.
#pragma once

#include <windows.h>

#include <functional>

#include "common/win32/handles.h"

namespace tl::audio_operator {

class WakeWindow {
 public:
  explicit WakeWindow(std::function<void()> handler);
  ~WakeWindow();
  WakeWindow(const WakeWindow&) = delete;
  WakeWindow& operator=(const WakeWindow&) = delete;

  bool ok() const { return static_cast<bool>(window_); }
  // Any thread: the handler runs soon on the window's thread.
  void Wake() const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void()> handler_;
  win32::UniqueWindow window_;
};

}  // namespace tl::audio_operator
