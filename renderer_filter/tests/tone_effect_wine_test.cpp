// The colour effect drawn by Direct3D under Wine at real video sizes, read back and compared
// with the CPU reference of each technique. Wine's effect compiler cannot load effect text, so
// these draws go through the built-in shaders, the set that runs here.
//
// Tolerance: Fixed must be exact. The other techniques are computed in 32-bit floats with the
// device's own exp2 and reciprocal and rounded once to 8 bits; the reference works in doubles,
// so a value lying within a float's error of a rounding boundary may land one level either side:
// one level per channel is allowed, and the share of such pixels is reported.
#include <gtest/gtest.h>

#include <d3d9.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/testing/wine_testing.h"
#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "renderer_filter/core/tone_effect.h"
#include "renderer_filter/tests/pixel_compare.h"
#include "renderer_filter/win32/tone_effect_d3d.h"

namespace tl::renderer {
namespace {

using win32::ComPtr;

struct XyzUv {
  float x, y, z, u, v;
};
struct XyzwUv {
  float x, y, z, w, u, v;
};
constexpr DWORD kXyzUv = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr DWORD kXyzwUv = D3DFVF_XYZW | D3DFVF_TEX1;

// A quad in strip order top-left, top-right, bottom-left, bottom-right.
std::array<XyzUv, 4> Quad(float left, float right, float u0, float u1, float vTop, float vBottom) {
  return {{{left, 1, 0, u0, vTop}, {right, 1, 0, u1, vTop}, {left, -1, 0, u0, vBottom}, {right, -1, 0, u1, vBottom}}};
}

struct Image {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
  Pixel at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

using testing::Difference;

Difference Compare(const Image& got, const std::function<Pixel(int, int)>& want) {
  return testing::ComparePixels(got.width, got.height, [&](int x, int y) { return got.at(x, y); }, want);
}

class ToneEffectOnDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToneEffectTestWindow";
    ::RegisterClassW(&wc);
    window_.reset(::CreateWindowW(wc.lpszClassName, L"tone effect", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  wc.hInstance, nullptr));
    ASSERT_TRUE(window_);
    d3d_ = win32::AdoptComPtr(::Direct3DCreate9(D3D_SDK_VERSION));
    ASSERT_TRUE(d3d_);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.BackBufferFormat = mode.Format;
    pp.hDeviceWindow = window_.get();
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_.get(),
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &device_),
              D3D_OK);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    effect_ = CreateBuiltInToneEffect(device_.Get());
    ASSERT_TRUE(effect_);
  }

  ComPtr<IDirect3DTexture9> Texture(int width, int height, const std::function<Pixel(int, int)>& texel) {
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<Pixel*>(static_cast<BYTE*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch);
      for (int x = 0; x < width; ++x) row[x] = texel(x, y);
    }
    texture->UnlockRect(0);
    return texture;
  }

  // Draws into a fresh width x height render target and reads it back.
  Image Render(int width, int height, const std::function<void()>& draw) {
    Image image;
    ComPtr<IDirect3DSurface9> target, readback;
    if (device_->CreateRenderTarget(width, height, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr) != D3D_OK ||
        device_->CreateOffscreenPlainSurface(width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &readback, nullptr) != D3D_OK) {
      ADD_FAILURE() << "no render target";
      return image;
    }
    device_->SetRenderTarget(0, target.Get());
    D3DVIEWPORT9 viewport{0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f};
    device_->SetViewport(&viewport);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF, 1.0f, 0);
    device_->BeginScene();
    draw();
    device_->EndScene();
    EXPECT_EQ(device_->GetRenderTargetData(target.Get(), readback.Get()), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(readback->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
      std::memcpy(&image.pixels[static_cast<size_t>(y) * width], static_cast<BYTE*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                  static_cast<size_t>(width) * 4);
    }
    readback->UnlockRect();
    return image;
  }

  HRESULT DrawQuad(Technique technique, const std::array<XyzUv, 4>& quad) {
    return effect_->Draw(technique, [&] {
      device_->SetFVF(kXyzUv);
      return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(XyzUv));
    });
  }

  void SetTone(int low, int high, float noise, float strength) {
    const Float4 constant = ToneConstant(low, high, noise);
    const Float4 constant2 = {strength, 0.0f, 4.0f, 1.95f};
    effect_->SetFloats(EffectParameter::kConstant, constant.data(), 4);
    effect_->SetFloats(EffectParameter::kConstant2, constant2.data(), 4);
    tone_ = ToneFromConstants(constant, constant2);
  }

  void SetVideoSize(int width, int height) {
    const float quad[2] = {0.5f / width, 0.5f / height};
    const float texel[4] = {1.0f / width, 0.0f, 0.0f, 1.0f / height};
    effect_->SetFloats(EffectParameter::kQuadTexelOffsets, quad, 2);
    effect_->SetFloats(EffectParameter::kTexelOffsets, texel, 4);
  }

  win32::UniqueWindow window_;
  ComPtr<IDirect3D9> d3d_;
  ComPtr<IDirect3DDevice9> device_;
  std::unique_ptr<ToneEffect> effect_;
  frame::ToneParams tone_;
};

// Every combination of red and green levels somewhere, blue varying, and random pixels.
Pixel Pattern(int x, int y) {
  if (y < 256) return static_cast<Pixel>((x & 255) << 16 | y << 8 | ((x * 7 + y * 13) & 255));
  std::minstd_rand random(static_cast<unsigned>(y * 4099 + x));
  return random() & 0xFFFFFF;
}

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

TEST_F(ToneEffectOnDevice, FixedDrawsTheFrameExactly) {
  auto frame = Texture(kWidth, kHeight, Pattern);
  effect_->SetTexture(EffectParameter::kColorTexture, frame.Get());
  const Image image = Render(kWidth, kHeight, [&] { EXPECT_EQ(DrawQuad(Technique::kFixed, Quad(-1, 1, 0, 1, 0, 1)), D3D_OK); });
  const Difference d = Compare(image, Pattern);
  EXPECT_EQ(d.differing, 0) << d.first;

  // Upright (v flipped) and split as the renderer draws RGB frames: still exact.
  const Image split = Render(kWidth, kHeight, [&] {
    DrawQuad(Technique::kFixed, Quad(-1, 0, 0, 0.5f, 1, 0));
    DrawQuad(Technique::kFixed, Quad(0, 1, 0.5f, 1, 1, 0));
  });
  const Difference flipped = Compare(split, [](int x, int y) { return Pattern(x, kHeight - 1 - y); });
  EXPECT_EQ(flipped.differing, 0) << flipped.first;
}

TEST_F(ToneEffectOnDevice, SimplestVS2MatchesTheReference) {
  auto frame = Texture(kWidth, kHeight, Pattern);
  effect_->SetTexture(EffectParameter::kColorTexture, frame.Get());
  SetVideoSize(kWidth, kHeight);
  for (const auto& [low, high, noise, strength] :
       {std::tuple{40, 185, 0.125f, 0.5f}, std::tuple{20, 185, 0.25f, 1.0f}, std::tuple{50, 150, 0.5f, 0.0f}}) {
    SetTone(low, high, noise, strength);
    const Image image = Render(kWidth, kHeight, [&] { DrawQuad(Technique::kSimplestVS2, Quad(-1, 1, 0, 1, 0, 1)); });
    const Difference d = Compare(image, [&](int x, int y) { return ReferenceSimplest(tone_, Pattern(x, y)); });
    EXPECT_LE(d.worst, 1) << low << " " << strength << " " << d.first;
    std::printf("SimplestVS2 %d/%d/%.3f/%.2f: %ld of %d pixels one level off\n", low, high, noise, strength, d.differing,
                kWidth * kHeight);
  }
}

TEST_F(ToneEffectOnDevice, LumaraLooksUpTheRampThenTones) {
  auto frame = Texture(kWidth, kHeight, Pattern);
  RampTexels ramp;
  for (int k = 0; k < 256; ++k) {
    const Pixel r = static_cast<Pixel>(std::min(255.0, 255.0 * std::pow(k / 255.0, 0.8) + 0.5));
    const Pixel g = static_cast<Pixel>(255 - k);
    const Pixel b = static_cast<Pixel>(k / 2 + 20);
    ramp[k] = r << 16 | g << 8 | b;
  }
  auto rampTexture = Texture(256, 1, [&](int x, int) { return ramp[x]; });
  effect_->SetTexture(EffectParameter::kColorTexture, frame.Get());
  effect_->SetTexture(EffectParameter::kRampTexture, rampTexture.Get());
  SetVideoSize(kWidth, kHeight);
  SetTone(40, 185, 0.125f, 0.5f);
  // The preview's quads: x, y, z, w with z = w = 1.
  const std::array<XyzwUv, 4> quad = {{{-1, 1, 1, 1, 0, 0}, {-1, -1, 1, 1, 0, 1}, {1, 1, 1, 1, 1, 0}, {1, -1, 1, 1, 1, 1}}};
  const Image image = Render(kWidth, kHeight, [&] {
    effect_->Draw(Technique::kLumara, [&] {
      device_->SetFVF(kXyzwUv);
      return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad.data(), sizeof(XyzwUv));
    });
  });
  const Difference d = Compare(image, [&](int x, int y) { return ReferenceLumara(tone_, ramp, Pattern(x, y)); });
  EXPECT_LE(d.worst, 1) << d.first;
  std::printf("Lumara: %ld of %d pixels one level off\n", d.differing, kWidth * kHeight);

  // With no tone the ramp alone: every level of every channel looked up exactly.
  SetTone(40, 185, 0.0f, 0.0f);
  const Image rampOnly = Render(kWidth, 256, [&] { DrawQuad(Technique::kLumara, Quad(-1, 1, 0, 1, 0, 256.0f / kHeight)); });
  const Difference exact = Compare(rampOnly, [&](int x, int y) { return ReferenceLumara(tone_, ramp, Pattern(x, y)); });
  EXPECT_EQ(exact.worst, 0) << exact.first;
}

// Packed pairs: Y0, U, Y1, V as one A8R8G8B8 texel (blue, green, red, alpha).
struct PackedFrame {
  int width, height;
  std::vector<std::array<std::uint8_t, 4>> pairs;  // y0, u, y1, v
  int texels() const { return (width + 1) / 2; }
  Pixel texel(int x, int y) const {
    const auto& p = pairs[static_cast<size_t>(y) * texels() + x];
    return static_cast<Pixel>(p[3]) << 24 | static_cast<Pixel>(p[2]) << 16 | static_cast<Pixel>(p[1]) << 8 | p[0];
  }
  void pixel(int x, int y, std::uint8_t* luma, std::uint8_t* cb, std::uint8_t* cr) const {
    const auto& p = pairs[static_cast<size_t>(y) * texels() + x / 2];
    *luma = x % 2 ? p[2] : p[0];
    *cb = p[1];
    *cr = p[3];
  }
};

PackedFrame MakePackedFrame(int width, int height) {
  PackedFrame f{width, height, {}};
  std::mt19937 random(static_cast<unsigned>(width));
  f.pairs.resize(static_cast<size_t>(f.texels()) * height);
  for (size_t i = 0; i < f.pairs.size(); ++i) {
    for (auto& b : f.pairs[i]) b = static_cast<std::uint8_t>(random());
    if (i % 3 == 0) f.pairs[i][1] = f.pairs[i][3] = 128;  // greys, black to white
  }
  return f;
}

TEST_F(ToneEffectOnDevice, Yuy2TechniquesUnpackEachPixelOfItsPair) {
  for (const auto& [width, height] : {std::pair{kWidth, kHeight}, std::pair{721, 480}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    const PackedFrame packed = MakePackedFrame(width, height);
    auto texture = Texture(packed.texels(), height, [&](int x, int y) { return packed.texel(x, y); });
    effect_->SetTexture(EffectParameter::kYuy2Texture, texture.Get());
    SetVideoSize(width, height);
    SetTone(40, 185, 0.125f, 0.5f);
    const Image plain = Render(width, height, [&] { DrawQuad(Technique::kYuy2ToRgb, Quad(-1, 1, 0, 1, 0, 1)); });
    const Difference d = Compare(plain, [&](int x, int y) {
      std::uint8_t l, cb, cr;
      packed.pixel(x, y, &l, &cb, &cr);
      return ReferenceYuy2ToRgb(l, cb, cr);
    });
    EXPECT_LE(d.worst, 1) << d.first;
    const Image toned = Render(width, height, [&] { DrawQuad(Technique::kSimplestVS2Yuy2, Quad(-1, 1, 0, 1, 0, 1)); });
    const Difference t = Compare(toned, [&](int x, int y) {
      std::uint8_t l, cb, cr;
      packed.pixel(x, y, &l, &cb, &cr);
      return ReferenceSimplestYuy2(tone_, l, cb, cr);
    });
    EXPECT_LE(t.worst, 1) << t.first;
    std::printf("YUY2 %dx%d: %ld and %ld pixels one level off\n", width, height, d.differing, t.differing);
  }
}

TEST_F(ToneEffectOnDevice, DrawPutsTheDeviceStateBackAndReportsAFailingPass) {
  auto frame = Texture(16, 16, Pattern);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
  effect_->SetTexture(EffectParameter::kColorTexture, frame.Get());
  int passes = 0;
  EXPECT_EQ(effect_->Draw(Technique::kSimplestVS2, [&] {
    ++passes;
    return D3DERR_INVALIDCALL;
  }), D3DERR_INVALIDCALL);
  EXPECT_EQ(passes, 1);
  ComPtr<IDirect3DPixelShader9> shader;
  device_->GetPixelShader(&shader);
  EXPECT_FALSE(shader);
  ComPtr<IDirect3DBaseTexture9> texture;
  device_->GetTexture(0, &texture);
  EXPECT_FALSE(texture);
  DWORD filter = 0;
  device_->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
  EXPECT_EQ(filter, static_cast<DWORD>(D3DTEXF_ANISOTROPIC));
}

TEST_F(ToneEffectOnDevice, AMissingOrBrokenEffectFileGivesTheBuiltInSet) {
  const std::wstring missing = tl::testing::ArtifactDir() + L"no_such_effect.dat";
  LoadedToneEffect loaded = LoadToneEffect(device_.Get(), missing.c_str());
  ASSERT_TRUE(loaded.effect);
  EXPECT_EQ(loaded.effect->source(), EffectSource::kBuiltIn);
  EXPECT_FALSE(loaded.fileError.empty());

  const std::wstring broken = tl::testing::ArtifactDir() + L"broken_effect.dat";
  std::ofstream(broken.c_str(), std::ios::binary) << "float4 g_Constant;\ntechnique Lumara { pass P0 { PixelShader = \x01\xff";
  loaded = LoadToneEffect(device_.Get(), broken.c_str());
  ASSERT_TRUE(loaded.effect);
  EXPECT_EQ(loaded.effect->source(), EffectSource::kBuiltIn);
  EXPECT_FALSE(loaded.fileError.empty());

  // The shipped file: on Windows D3DX loads it; Wine's compiler cannot, and the built-in set
  // takes its place with the compiler's complaint.
  const std::wstring shipped = tl::testing::InstallDir() + L"eLumara.dat";
  loaded = LoadToneEffect(device_.Get(), shipped.c_str());
  ASSERT_TRUE(loaded.effect);
  std::printf("shipped effect file: %s %s\n", loaded.effect->source() == EffectSource::kEffectFile ? "loaded" : "not loaded:",
              loaded.fileError.c_str());
  EXPECT_EQ(loaded.effect->source() == EffectSource::kBuiltIn, !loaded.fileError.empty());

  // Whatever the source, the frame is drawn.
  auto frame = Texture(64, 48, Pattern);
  loaded.effect->SetTexture(EffectParameter::kColorTexture, frame.Get());
  effect_ = std::move(loaded.effect);
  const Image image = Render(64, 48, [&] { DrawQuad(Technique::kFixed, Quad(-1, 1, 0, 1, 0, 1)); });
  EXPECT_EQ(Compare(image, Pattern).differing, 0);
}

}  // namespace
}  // namespace tl::renderer
