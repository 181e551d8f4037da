// CUtlSkinManager: the process's registry of named bitmaps, fonts, skins and controls, and the
// library's GDI+ session.
#pragma once

#include <memory>
#include <string>

#include "skin/core/names.h"
#include "skin/win32/button.h"
#include "skin/win32/font_button.h"
#include "skin/win32/skin_resources.h"
#include "skin/win32/slider.h"

namespace tl::skin {

class SkinManager {
 public:
  SkinManager() = default;
  SkinManager(const SkinManager&) = delete;
  SkinManager& operator=(const SkinManager&) = delete;
  // Controls go first (their windows and pictures), then skins, fonts and bitmaps.
  ~SkinManager();

  NamedList<SkinBitmap> bitmaps;
  NamedList<SkinFont> fonts;
  NamedList<ButtonSkin> buttonSkins;
  NamedList<FontButtonSkin> fontButtonSkins;
  NamedList<SliderSkin> sliderSkins;
  NamedList<FontButton> fontButtons;
  NamedList<Button> buttons;
  NamedList<Slider> sliders;
  std::wstring imageDirectory;
};

// The registry, or none before InitSkin and after ReleaseSkin.
SkinManager* Manager();

// Creates the registry if there is none, opens a GDI+ session if none is open, and sets the
// image directory.
void InitManager(const wchar_t* imageDirectory);
// Destroys the registry and ends the GDI+ session.
void ReleaseManager();

}  // namespace tl::skin
