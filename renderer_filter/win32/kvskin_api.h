// The skin library KvSkin.dll as the renderer's dialog uses it, loaded from the filter's own
// folder when the dialog first opens: a player loads eLumara.ax from anywhere, and video must
// play even where the dialog's library is missing.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/handles.h"
#include "common/win32/proc_address.h"

namespace tl::renderer {

struct KvSkinApi {
  int(WINAPI* InitSkin)(const wchar_t*) = nullptr;
  int(WINAPI* ReleaseSkin)() = nullptr;
  int(WINAPI* AttachBitmap)(const wchar_t*, const char*) = nullptr;
  int(WINAPI* AttachFont)(int, const wchar_t*, const char*, BOOL) = nullptr;
  int(WINAPI* AttachFontButtonSkin)(const char*, const char*, const char*, const char*, const char*, DWORD, DWORD,
                                    DWORD, const char*) = nullptr;
  int(WINAPI* AttachSliderSkin)(const char*, const char*, const char*, const char*, const char*) = nullptr;
  HWND(WINAPI* CreateFontButton)(HWND, const wchar_t*, int, const char*, const char*, int, int, int, const wchar_t*,
                                 BOOL) = nullptr;
  HWND(WINAPI* CreateSlider)(HWND, const char*, const char*, int, int, int, int, int, int) = nullptr;
  void(WINAPI* SetUtlSliderPos)(const char*, int) = nullptr;
  void(WINAPI* SetUtlButtonEnableFlag)(const char*, BOOL) = nullptr;

  // True when the library at `path` loaded with every function.
  bool Load(const std::wstring& path) {
    module_.reset(::LoadLibraryW(path.c_str()));
    if (!module_) return false;
    HMODULE m = module_.get();
    bool all = true;
    auto get = [&](auto& fn, const char* name) {
      fn = win32::ProcAddress<std::remove_reference_t<decltype(fn)>>(m, name);
      all = all && fn;
    };
    get(InitSkin, "InitSkin");
    get(ReleaseSkin, "ReleaseSkin");
    get(AttachBitmap, "AttachBitmap");
    get(AttachFont, "AttachFont");
    get(AttachFontButtonSkin, "AttachFontButtonSkin");
    get(AttachSliderSkin, "AttachSliderSkin");
    get(CreateFontButton, "CreateFontButton");
    get(CreateSlider, "CreateSlider");
    get(SetUtlSliderPos, "SetUtlSliderPos");
    get(SetUtlButtonEnableFlag, "SetUtlButtonEnableFlag");
    if (!all) module_.reset();
    return all;
  }
  bool loaded() const { return static_cast<bool>(module_); }

 private:
  win32::UniqueModule module_;
};

}  // namespace tl::renderer
