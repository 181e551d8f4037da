// The registry's resources and skins: bitmaps read from BMP files, fonts with their glyph cache,
// and the button, font-button and slider skins built from them.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/win32/handles.h"
#include "skin/core/bmp.h"
#include "skin/core/geometry.h"
#include "skin/core/names.h"
#include "skin/win32/gdiplus.h"

namespace tl::skin {

// CUtlBitmap: a screen-compatible bitmap and the pixels it was made from.
struct SkinBitmap : Information {
  win32::UniqueGdiObject ddb;
  std::wstring path;
  Pixels pixels;
  // Draws `pixels` without a copy (opaque 32-bit RGB).
  std::unique_ptr<Gdiplus::Bitmap> image;

  int Width() const { return pixels.width; }
  int Height() const { return pixels.height; }
  // Reads directory + file (whole, or the rectangle when width > 0). Null when it cannot.
  static std::unique_ptr<SkinBitmap> Load(const std::wstring& path, bool rectangle, int x, int y,
                                          int width, int height);
};

// The text of a font button rendered in one colour.
struct RenderedText {
  std::unique_ptr<Gdiplus::Bitmap> image;
  int width = 0;
  int height = 0;
};

// CUtlFont: a GDI font and its cache of white glyphs.
struct SkinFont : Information {
  win32::UniqueGdiObject font;

  struct Glyph {
    std::unique_ptr<Gdiplus::Bitmap> image;  // null for a glyph without extent
    int width = 0;
    int height = 0;
  };
  const Glyph& GlyphOf(wchar_t ch);
  // Renders `text` glyph after glyph tinted with `argb`; with the outline on, each glyph is
  // first drawn four times in the outline colour around its place.
  RenderedText Render(const std::wstring& text, uint32_t argb, bool outline, uint32_t outlineArgb);

  static std::unique_ptr<SkinFont> Create(int heightTenthsOfPoint, const wchar_t* face, bool bold);

 private:
  std::map<wchar_t, Glyph> glyphs_;
};

// State slots of a button skin.
enum ButtonState { kNormal = 0, kPushed = 1, kHover = 2, kDisabled = 3 };

// CUtlButtonSkin.
struct ButtonSkin : Information {
  std::array<SkinBitmap*, 4> states{};
  uint32_t colourKey = kDefaultColourKey;
  bool transparent = false;
  int width = 0;
  int height = 0;
  // Key-coloured runs of the normal bitmap (and of the disabled one in the two-image form).
  std::vector<Rect> region;
  std::vector<Rect> disabledRegion;

  void Prepare();
  // The window region: the skin's rectangle without the key-coloured runs; null when there is
  // nothing to cut out.
  HRGN CreateWindowRegion(int windowWidth, int windowHeight) const;
};

// CUtlFontButtonSkin.
struct FontButtonSkin : ButtonSkin {
  SkinFont* font = nullptr;
  std::array<uint32_t, 3> colours{};
  bool outline = false;
  uint32_t outlineColour = 0xFF000000;
  uint32_t packedOrange = 0xFFFF8000;
  std::array<float, 25> matrix = TintMatrix(0xFFFFFFFF);
};

// CUtlSliderSkin: channel pair and thumb pair (the second of each for the hover look).
struct SliderSkin : Information {
  std::array<SkinBitmap*, 2> channel{};
  std::array<SkinBitmap*, 2> thumb{};
  uint32_t colourKey = kDefaultColourKey;
  bool transparent = true;
  uint32_t keyArgb = 0xFFFF00FF;
};

// Builds a region from one-pixel-wide runs (cut-outs) in one go.
HRGN RegionFromRuns(const std::vector<Rect>& runs);

}  // namespace tl::skin
