#include "skin/win32/skin_resources.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>

#include "common/win32/file.h"
#include "common/win32/gdi.h"

namespace tl::skin {
namespace {

// Skin pictures are small; anything larger is not one of ours.
constexpr size_t kMaxFileSize = 64 * 1024 * 1024;

}  // namespace

std::unique_ptr<SkinBitmap> SkinBitmap::Load(const std::wstring& path, bool rectangle, int x,
                                             int y, int width, int height) {
  std::vector<uint8_t> data;
  if (!win32::ReadWholeFile(path, data, kMaxFileSize)) return nullptr;
  auto bitmap = std::make_unique<SkinBitmap>();
  const bool ok = rectangle ? DecodeBmpRect(data, x, y, width, height, bitmap->pixels)
                            : DecodeBmp(data, bitmap->pixels);
  if (!ok) return nullptr;
  Pixels& p = bitmap->pixels;

  win32::WindowDc screen(nullptr);
  if (!screen) return nullptr;
  bitmap->ddb.reset(::CreateCompatibleBitmap(screen.get(), p.width, p.height));
  if (!bitmap->ddb) return nullptr;
  const BITMAPINFO info = win32::TopDown32BitInfo(p.width, p.height);
  ::SetDIBits(screen.get(), static_cast<HBITMAP>(bitmap->ddb.get()), 0, p.height, p.data.data(),
              &info, DIB_RGB_COLORS);
  bitmap->image = std::make_unique<Gdiplus::Bitmap>(
      p.width, p.height, p.width * 4, PixelFormat32bppRGB, reinterpret_cast<BYTE*>(p.data.data()));
  if (bitmap->image->GetLastStatus() != Gdiplus::Ok) return nullptr;
  bitmap->path = path;
  return bitmap;
}

std::unique_ptr<SkinFont> SkinFont::Create(int heightTenthsOfPoint, const wchar_t* face,
                                           bool bold) {
  LOGFONTW lf{};
  {
    win32::WindowDc screen(nullptr);
    POINT size{0, ::MulDiv(::GetDeviceCaps(screen.get(), LOGPIXELSY), heightTenthsOfPoint, 720)};
    POINT origin{0, 0};
    ::DPtoLP(screen.get(), &size, 1);
    ::DPtoLP(screen.get(), &origin, 1);
    lf.lfHeight = -std::abs(size.y - origin.y);
  }
  if (face) ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfWeight = bold ? FW_BOLD : FW_DONTCARE;
  auto font = std::make_unique<SkinFont>();
  font->font.reset(::CreateFontIndirectW(&lf));
  return font;
}

const SkinFont::Glyph& SkinFont::GlyphOf(wchar_t ch) {
  auto found = glyphs_.find(ch);
  if (found != glyphs_.end()) return found->second;
  Glyph& glyph = glyphs_[ch];

  win32::WindowDc screen(nullptr);
  win32::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!dc || !font) return glyph;
  win32::SelectGuard selectFont(dc.get(), font.get());
  SIZE extent{};
  if (!::GetTextExtentPoint32W(dc.get(), &ch, 1, &extent) || extent.cx <= 0 || extent.cy <= 0)
    return glyph;
  glyph.width = extent.cx;
  glyph.height = extent.cy;

  void* bits = nullptr;
  win32::UniqueGdiObject dib = win32::CreateTopDown32BitDib(dc.get(), extent.cx, extent.cy, &bits);
  if (!dib || !bits) return glyph;
  {
    win32::SelectGuard selectBitmap(dc.get(), dib.get());
    RECT all{0, 0, extent.cx, extent.cy};
    ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(255, 255, 255));
    ::TextOutW(dc.get(), 0, 0, &ch, 1);
    ::GdiFlush();
  }
  glyph.image = std::make_unique<Gdiplus::Bitmap>(extent.cx, extent.cy, PixelFormat32bppARGB);
  Gdiplus::BitmapData locked{};
  Gdiplus::Rect area(0, 0, extent.cx, extent.cy);
  if (glyph.image->LockBits(&area, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &locked) !=
      Gdiplus::Ok) {
    glyph.image.reset();
    return glyph;
  }
  const auto* source = static_cast<const uint32_t*>(bits);
  for (int row = 0; row < extent.cy; ++row) {
    auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.Scan0) +
                                               static_cast<ptrdiff_t>(row) * locked.Stride);
    for (int col = 0; col < extent.cx; ++col)
      target[col] = (source[row * extent.cx + col] & 0xFFFFFF) ? 0xFFFFFFFFu : 0u;
  }
  glyph.image->UnlockBits(&locked);
  return glyph;
}

RenderedText SkinFont::Render(const std::wstring& text, uint32_t argb, bool outline,
                              uint32_t outlineArgb) {
  RenderedText result;
  for (wchar_t ch : text) {
    const Glyph& g = GlyphOf(ch);
    result.width += g.width;
    result.height = std::max(result.height, g.height);
  }
  const int margin = outline ? 2 : 0;
  if (result.width == 0 || result.height == 0) return result;
  result.width += margin;
  result.height += margin;
  result.image =
      std::make_unique<Gdiplus::Bitmap>(result.width, result.height, PixelFormat32bppARGB);
  Gdiplus::Graphics g(result.image.get());
  g.Clear(Gdiplus::Color(0, 0, 0, 0));

  auto attributesFor = [](uint32_t colour) {
    auto attributes = std::make_unique<Gdiplus::ImageAttributes>();
    const std::array<float, 25> m = TintMatrix(colour);
    Gdiplus::ColorMatrix matrix;
    for (int i = 0; i < 25; ++i) matrix.m[i / 5][i % 5] = m[i];
    attributes->SetColorMatrix(&matrix);
    return attributes;
  };
  const auto textAttributes = attributesFor(argb);
  const auto outlineAttributes = attributesFor(outlineArgb);
  auto draw = [&](const Glyph& glyph, int x, int y, Gdiplus::ImageAttributes* attributes) {
    g.DrawImage(glyph.image.get(), Gdiplus::Rect(x, y, glyph.width, glyph.height), 0, 0,
                glyph.width, glyph.height, Gdiplus::UnitPixel, attributes);
  };
  int x = 0;
  for (wchar_t ch : text) {
    const Glyph& glyph = GlyphOf(ch);
    if (glyph.image) {
      if (outline) {
        draw(glyph, x, 0, outlineAttributes.get());
        draw(glyph, x + 2, 0, outlineAttributes.get());
        draw(glyph, x + 1, 0, outlineAttributes.get());
        draw(glyph, x + 1, 2, outlineAttributes.get());
        draw(glyph, x + 1, 1, textAttributes.get());
      } else {
        draw(glyph, x, 0, textAttributes.get());
      }
    }
    x += glyph.width;
  }
  return result;
}

void ButtonSkin::Prepare() {
  if (SkinBitmap* normal = states[kNormal]) {
    width = normal->Width();
    height = normal->Height();
  } else if (SkinBitmap* pushed = states[kPushed]) {
    // Two-image form: one picture holds two states side by side.
    width = pushed->Width() * 2;
    height = pushed->Height();
  }
  region.clear();
  disabledRegion.clear();
  if (!transparent) return;
  if (states[kNormal]) region = KeyColourRuns(states[kNormal]->pixels, colourKey);
  if (!states[kNormal] && states[kDisabled])
    disabledRegion = KeyColourRuns(states[kDisabled]->pixels, colourKey);
}

HRGN RegionFromRuns(const std::vector<Rect>& runs) {
  return static_cast<HRGN>(win32::RegionFromRects(std::span<const Rect>(runs)).release());
}

HRGN ButtonSkin::CreateWindowRegion(int windowWidth, int windowHeight) const {
  const std::vector<Rect>& runs = region.empty() ? disabledRegion : region;
  if (runs.empty()) return nullptr;
  win32::UniqueGdiObject cut(RegionFromRuns(runs));
  if (!cut) return nullptr;
  HRGN shape = ::CreateRectRgn(0, 0, windowWidth, windowHeight);
  ::CombineRgn(shape, shape, static_cast<HRGN>(cut.get()), RGN_DIFF);
  return shape;
}

}  // namespace tl::skin
