#include "skin/win32/skin_manager.h"

namespace tl::skin {
namespace {

std::unique_ptr<SkinManager> g_manager;
ULONG_PTR g_gdiplusToken = 0;

// A control inside one of its own handlers is deleted when that handler returns.
template <typename T>
void ReleaseControls(NamedList<T>& list) {
  for (auto& control : list.TakeAll()) {
    if (!control->Release()) control.release();
  }
}

}  // namespace

SkinManager::~SkinManager() {
  ReleaseControls(fontButtons);
  ReleaseControls(buttons);
  ReleaseControls(sliders);
  sliderSkins.Clear();
  fontButtonSkins.Clear();
  buttonSkins.Clear();
  fonts.Clear();
  bitmaps.Clear();
}

SkinManager* Manager() { return g_manager.get(); }

void InitManager(const wchar_t* imageDirectory) {
  if (!g_manager) g_manager = std::make_unique<SkinManager>();
  if (!g_gdiplusToken) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
      g_gdiplusToken = 0;
  }
  g_manager->imageDirectory = imageDirectory ? imageDirectory : L"";
}

void ReleaseManager() {
  g_manager.reset();
  if (g_gdiplusToken) {
    Gdiplus::GdiplusShutdown(g_gdiplusToken);
    g_gdiplusToken = 0;
  }
}

}  // namespace tl::skin
