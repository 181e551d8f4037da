// The colour effect on a Direct3D 9 device, for the renderer filter and the preview player: one
// interface, two back-ends. The effect file "eLumara.dat" is used when D3DX can load it; the
// built-in assembled shaders (same techniques, same parameters) whenever it cannot.
#pragma once

#include <d3d9.h>

#include <functional>
#include <memory>
#include <string>

#include "renderer_filter/core/tone_effect.h"

namespace tl::renderer {

enum class EffectSource { kEffectFile, kBuiltIn };

class ToneEffect {
 public:
  virtual ~ToneEffect() = default;

  virtual EffectSource source() const = 0;
  // Float parameters take at most four values; textures may be null. Parameters keep their
  // values until they are set again.
  virtual void SetFloats(EffectParameter parameter, const float* values, int count) = 0;
  virtual void SetTexture(EffectParameter parameter, IDirect3DBaseTexture9* texture) = 0;

  // Draws every pass of the technique: shaders, constants, textures and sampler states are set
  // (and ViewportPixelOffset from the current viewport), then `drawPass` draws the geometry once
  // per pass. A technique that cannot begin draws nothing and gives S_OK; a failing `drawPass`
  // ends the technique and its result is returned.
  using DrawPass = std::function<HRESULT()>;
  virtual HRESULT Draw(Technique technique, const DrawPass& drawPass) = 0;

  // Around IDirect3DDevice9::Reset.
  virtual void OnLostDevice() = 0;
  virtual void OnResetDevice() = 0;
};

struct LoadedToneEffect {
  std::unique_ptr<ToneEffect> effect;  // null only when not even the built-in set could be made
  // Why the effect file is not used: D3DX's error text, or "Open Effect Error" when it gave none.
  // Empty when the file is used.
  std::string fileError;
};

// The effect file at `effectPath` (D3DXFX_NOT_CLONEABLE | D3DXSHADER_NO_PRESHADER) when it
// loads and has every technique; otherwise the built-in set.
LoadedToneEffect LoadToneEffect(IDirect3DDevice9* device, const wchar_t* effectPath);
std::unique_ptr<ToneEffect> CreateBuiltInToneEffect(IDirect3DDevice9* device);

}  // namespace tl::renderer
