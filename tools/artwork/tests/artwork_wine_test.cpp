// The artwork read by Windows itself, under Wine: the resource compiler's icons and bitmaps
// through LoadImage, the body bitmaps loaded from their files as the control panel loads them,
// and the badge surface through D3DX as the renderer loads it.
#include <d3d9.h>
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "common/testing/wine_testing.h"
#include "common/win32/com.h"
#include "common/win32/gdi.h"
#include "common/win32/handles.h"
#include "skin/core/bmp.h"
#include "tools/artwork/core/icon.h"

namespace {

using tl::win32::ComPtr;
using tl::win32::UniqueGdiObject;
using tl::win32::UniqueIcon;
using tl::win32::UniqueMemoryDc;
using tl::win32::UniqueWindow;

constexpr uint32_t kKey = 0xFF00FF;

std::vector<uint8_t> ReadFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of a GDI bitmap as 0x00RRGGBB, rows from the top.
std::vector<uint32_t> Pixels(HBITMAP bitmap, int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO info = tl::win32::TopDown32BitInfo(width, height);
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  EXPECT_EQ(::GetDIBits(dc.get(), bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS), height);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

BITMAP Size(HGDIOBJ bitmap) {
  BITMAP b{};
  ::GetObjectW(bitmap, sizeof b, &b);
  return b;
}

TEST(ArtworkResources, BitmapsLoadAtTheirSizesWithTheKeyInTheCorner) {
  const HMODULE self = ::GetModuleHandleW(nullptr);
  // The control panel's slider channel: its top-left pixel is the transparent colour.
  UniqueGdiObject channel(::LoadImageW(self, MAKEINTRESOURCEW(140), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(channel);
  EXPECT_EQ(Size(channel.get()).bmWidth, 30);
  EXPECT_EQ(Size(channel.get()).bmHeight, 18);
  EXPECT_EQ(Pixels(static_cast<HBITMAP>(channel.get()), 30, 18)[0], kKey);
  // The two tray dialogs' backgrounds, loaded as DIB sections as the dialogs do.
  for (int id : {102, 129}) {
    UniqueGdiObject background(::LoadImageW(self, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_TRUE(background) << id;
    EXPECT_EQ(Size(background.get()).bmWidth, 250) << id;
    EXPECT_EQ(Size(background.get()).bmHeight, 130) << id;
  }
}

TEST(ArtworkResources, IconsDrawTransparentCornersAtEverySize) {
  const HMODULE self = ::GetModuleHandleW(nullptr);
  for (int id : {128, 104, 130})
    for (int size : {16, 32, 48}) {
      UniqueIcon icon(static_cast<HICON>(::LoadImageW(self, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
      ASSERT_TRUE(icon) << id << " at " << size;
      ICONINFO info{};
      ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
      UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
      EXPECT_EQ(Size(colour.get()).bmWidth, size) << id << " has an entry of this size";
      // Drawn over the key colour: the rounded corners let it through, the middle covers it.
      UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
      void* bits = nullptr;
      UniqueGdiObject canvas = tl::win32::CreateTopDown32BitDib(dc.get(), size, size, &bits);
      ASSERT_TRUE(canvas);
      tl::win32::SelectGuard select(dc.get(), canvas.get());
      auto* pixels = static_cast<uint32_t*>(bits);
      std::fill(pixels, pixels + size * size, kKey);
      ASSERT_TRUE(::DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL));
      ::GdiFlush();
      EXPECT_EQ(pixels[0] & 0xFFFFFF, kKey) << id << " at " << size;
      EXPECT_NE(pixels[(size / 2) * size + size / 2] & 0xFFFFFF, kKey) << id << " at " << size;
    }
}

TEST(ArtworkFiles, BodiesLoadFromTheirFilesPixelForPixel) {
  for (const wchar_t* name : {L"images\\body0.bmp", L"images\\body1.bmp"}) {
    const std::wstring path = tl::testing::InstallDir() + name;
    UniqueGdiObject body(::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_TRUE(body) << "LoadImage refuses " << name;
    tl::skin::Pixels expected;
    ASSERT_TRUE(tl::skin::DecodeBmp(ReadFile(path), expected));
    ASSERT_EQ(Size(body.get()).bmWidth, expected.width);
    ASSERT_EQ(Size(body.get()).bmHeight, expected.height);
    const std::vector<uint32_t> loaded = Pixels(static_cast<HBITMAP>(body.get()), expected.width, expected.height);
    EXPECT_EQ(loaded, expected.data) << "Windows reads the same pixels, key colour included";
  }
}

LRESULT CALLBACK PlainWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  return ::DefWindowProcW(window, message, w, l);
}

TEST(ArtworkFiles, BadgeLoadsThroughD3dxAsTheRendererLoadsIt) {
  const std::wstring path = tl::testing::InstallDir() + L"images\\ax\\Lumara02.dds";
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(::D3DXGetImageInfoFromFileW(path.c_str(), &info), D3D_OK);
  EXPECT_EQ(info.Width, 128u);
  EXPECT_EQ(info.Height, 64u);
  EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);

  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainWindow;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ArtworkBadgeTest";
  ::RegisterClassW(&wc);
  UniqueWindow window(::CreateWindowW(wc.lpszClassName, L"badge", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(window);
  ComPtr<IDirect3D9> d3d = tl::win32::AdoptComPtr(::Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(d3d);
  D3DPRESENT_PARAMETERS present{};
  present.Windowed = TRUE;
  present.SwapEffect = D3DSWAPEFFECT_DISCARD;
  present.hDeviceWindow = window.get();
  present.BackBufferFormat = D3DFMT_UNKNOWN;
  ComPtr<IDirect3DDevice9> device;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window.get(),
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING, &present, device.GetAddressOf()),
            D3D_OK);
  // The renderer's call: the plain form, default pool, whatever D3DX chooses.
  ComPtr<IDirect3DTexture9> texture;
  ASSERT_EQ(::D3DXCreateTextureFromFileW(device.Get(), path.c_str(), texture.GetAddressOf()), D3D_OK);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 128u) << "the sprite's source rectangle (0, 0)-(128, 64) is the whole badge";
  EXPECT_EQ(desc.Height, 64u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);

  // The pixels as D3DX read them, through a system-memory copy.
  ComPtr<IDirect3DTexture9> copy;
  ASSERT_EQ(::D3DXCreateTextureFromFileExW(device.Get(), path.c_str(), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0,
                                           D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0,
                                           nullptr, nullptr, copy.GetAddressOf()),
            D3D_OK);
  tl::artwork::Image expected;
  ASSERT_TRUE(tl::artwork::DecodeDdsArgb(ReadFile(path), expected));
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(copy->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  int differing = 0;
  for (int y = 0; y < 64; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 128; ++x) differing += row[x] != expected.At(x, y);
  }
  copy->UnlockRect(0);
  EXPECT_EQ(differing, 0);
}

}  // namespace
