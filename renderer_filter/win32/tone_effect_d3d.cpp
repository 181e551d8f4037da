#include "renderer_filter/win32/tone_effect_d3d.h"

#include <d3dx9.h>

#include <array>

#include "common/win32/com.h"
#include "renderer_filter/win32/tone_shaders.h"

namespace tl::renderer {
namespace {

using win32::ComPtr;

constexpr DWORD kEffectFlags = D3DXFX_NOT_CLONEABLE | D3DXSHADER_NO_PRESHADER;  // 0x900

std::array<float, 4> ViewportPixelOffset(IDirect3DDevice9* device) {
  D3DVIEWPORT9 viewport{};
  if (FAILED(device->GetViewport(&viewport)) || viewport.Width == 0 || viewport.Height == 0) return {};
  return {-1.0f / static_cast<float>(viewport.Width), 1.0f / static_cast<float>(viewport.Height), 0.0f, 0.0f};
}

// Runs the passes of a begun technique; every pass and the technique are ended even when a
// draw fails.
HRESULT RunPasses(ID3DXEffect* effect, UINT passes, const ToneEffect::DrawPass& drawPass) {
  HRESULT result = S_OK;
  for (UINT i = 0; i < passes && SUCCEEDED(result); ++i) {
    if (FAILED(effect->BeginPass(i))) break;
    result = drawPass();
    effect->EndPass();
  }
  effect->End();
  return result;
}

class FileToneEffect final : public ToneEffect {
 public:
  FileToneEffect(ComPtr<ID3DXEffect> effect, IDirect3DDevice9* device) : effect_(std::move(effect)), device_(device) {
    for (int i = 0; i < kEffectParameterCount; ++i) {
      parameters_[i] = effect_->GetParameterByName(nullptr, Describe(static_cast<EffectParameter>(i)).name);
    }
    for (int i = 0; i < kTechniqueCount; ++i) {
      techniques_[i] = effect_->GetTechniqueByName(TechniqueName(static_cast<Technique>(i)));
    }
  }

  // The name of the first technique of the contract that the file lacks, or null.
  const char* MissingTechnique() const {
    for (int i = 0; i < kTechniqueCount; ++i) {
      if (!techniques_[i]) return TechniqueName(static_cast<Technique>(i));
    }
    return nullptr;
  }

  EffectSource source() const override { return EffectSource::kEffectFile; }

  void SetFloats(EffectParameter parameter, const float* values, int count) override {
    // A parameter the file does not declare is not used by it: nothing to set.
    if (D3DXHANDLE h = parameters_[static_cast<int>(parameter)]) effect_->SetFloatArray(h, values, count);
  }

  void SetTexture(EffectParameter parameter, IDirect3DBaseTexture9* texture) override {
    if (D3DXHANDLE h = parameters_[static_cast<int>(parameter)]) effect_->SetTexture(h, texture);
  }

  HRESULT Draw(Technique technique, const DrawPass& drawPass) override {
    const auto offset = ViewportPixelOffset(device_.Get());
    SetFloats(EffectParameter::kViewportPixelOffset, offset.data(), 2);
    if (FAILED(effect_->SetTechnique(techniques_[static_cast<int>(technique)]))) return S_OK;
    UINT passes = 0;
    if (FAILED(effect_->Begin(&passes, 0))) return S_OK;
    return RunPasses(effect_.Get(), passes, drawPass);
  }

  void OnLostDevice() override { effect_->OnLostDevice(); }
  void OnResetDevice() override { effect_->OnResetDevice(); }

 private:
  ComPtr<ID3DXEffect> effect_;
  ComPtr<IDirect3DDevice9> device_;
  D3DXHANDLE parameters_[kEffectParameterCount] = {};
  D3DXHANDLE techniques_[kTechniqueCount] = {};
};

// Assembles one shader; null (and the assembler's text on the debugger output) on failure.
ComPtr<ID3DXBuffer> Assemble(const std::string& text) {
  ComPtr<ID3DXBuffer> code;
  ComPtr<ID3DXBuffer> errors;
  if (FAILED(D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, &code, &errors))) {
    ::OutputDebugStringA("tone effect: a built-in shader does not assemble:\n");
    if (errors) ::OutputDebugStringA(static_cast<const char*>(errors->GetBufferPointer()));
    return nullptr;
  }
  return code;
}

class BuiltInToneEffect final : public ToneEffect {
 public:
  explicit BuiltInToneEffect(IDirect3DDevice9* device) : device_(device) {}

  bool Create() {
    ComPtr<ID3DXBuffer> vertex = Assemble(QuadVertexShaderAssembly());
    if (!vertex || FAILED(device_->CreateVertexShader(static_cast<const DWORD*>(vertex->GetBufferPointer()), &vertexShader_))) {
      return false;
    }
    for (int i = 0; i < kTechniqueCount; ++i) {
      ComPtr<ID3DXBuffer> pixel = Assemble(PixelShaderAssembly(static_cast<Technique>(i)));
      if (!pixel || FAILED(device_->CreatePixelShader(static_cast<const DWORD*>(pixel->GetBufferPointer()), &pixelShaders_[i]))) {
        return false;
      }
    }
    return true;
  }

  EffectSource source() const override { return EffectSource::kBuiltIn; }

  void SetFloats(EffectParameter parameter, const float* values, int count) override {
    auto& slot = floats_[static_cast<int>(parameter)];
    for (int i = 0; i < 4; ++i) slot[i] = i < count ? values[i] : 0.0f;
  }

  void SetTexture(EffectParameter parameter, IDirect3DBaseTexture9* texture) override {
    textures_[static_cast<int>(parameter)] = texture;
  }

  HRESULT Draw(Technique technique, const DrawPass& drawPass) override {
    using R = ShaderRegisters;
    SavedState saved(device_.Get());
    const auto offset = ViewportPixelOffset(device_.Get());
    device_->SetVertexShader(vertexShader_.Get());
    device_->SetVertexShaderConstantF(R::kVertexPixelOffset, offset.data(), 1);
    device_->SetPixelShader(pixelShaders_[static_cast<int>(technique)].Get());
    device_->SetPixelShaderConstantF(R::kConstant, Floats(EffectParameter::kConstant), 1);
    device_->SetPixelShaderConstantF(R::kConstant2, Floats(EffectParameter::kConstant2), 1);
    device_->SetPixelShaderConstantF(R::kQuadTexelOffsets, Floats(EffectParameter::kQuadTexelOffsets), 1);
    device_->SetPixelShaderConstantF(R::kTexelOffsets, Floats(EffectParameter::kTexelOffsets), 1);

    // The colour texture is filtered (exact at texel centres); packed pairs and ramp entries
    // must be read whole.
    const EffectParameter frame = FrameTexture(technique);
    const DWORD frameFilter = frame == EffectParameter::kColorTexture ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    device_->SetTexture(R::kFrameSampler, textures_[static_cast<int>(frame)].Get());
    SetSampler(R::kFrameSampler, frameFilter);
    if (UsesRamp(technique)) {
      device_->SetTexture(R::kRampSampler, textures_[static_cast<int>(EffectParameter::kRampTexture)].Get());
      SetSampler(R::kRampSampler, D3DTEXF_POINT);
    }
    return drawPass();
  }

  void OnLostDevice() override {}
  void OnResetDevice() override {}

 private:
  static constexpr D3DSAMPLERSTATETYPE kSamplerStates[] = {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER,
                                                           D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};

  // What a draw changes, put back afterwards as an effect does.
  class SavedState {
   public:
    explicit SavedState(IDirect3DDevice9* device) : device_(device) {
      device_->GetVertexShader(&vertexShader_);
      device_->GetPixelShader(&pixelShader_);
      for (DWORD s = 0; s < 2; ++s) {
        device_->GetTexture(s, &textures_[s]);
        for (int i = 0; i < 5; ++i) device_->GetSamplerState(s, kSamplerStates[i], &samplers_[s][i]);
      }
    }
    ~SavedState() {
      device_->SetVertexShader(vertexShader_.Get());
      device_->SetPixelShader(pixelShader_.Get());
      for (DWORD s = 0; s < 2; ++s) {
        device_->SetTexture(s, textures_[s].Get());
        for (int i = 0; i < 5; ++i) device_->SetSamplerState(s, kSamplerStates[i], samplers_[s][i]);
      }
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

   private:
    IDirect3DDevice9* device_;
    ComPtr<IDirect3DVertexShader9> vertexShader_;
    ComPtr<IDirect3DPixelShader9> pixelShader_;
    ComPtr<IDirect3DBaseTexture9> textures_[2];
    DWORD samplers_[2][5] = {};
  };

  const float* Floats(EffectParameter parameter) const { return floats_[static_cast<int>(parameter)].data(); }

  void SetSampler(DWORD sampler, DWORD filter) {
    device_->SetSamplerState(sampler, D3DSAMP_MINFILTER, filter);
    device_->SetSamplerState(sampler, D3DSAMP_MAGFILTER, filter);
    device_->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device_->SetSamplerState(sampler, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(sampler, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  }

  ComPtr<IDirect3DDevice9> device_;
  ComPtr<IDirect3DVertexShader9> vertexShader_;
  ComPtr<IDirect3DPixelShader9> pixelShaders_[kTechniqueCount];
  std::array<std::array<float, 4>, kEffectParameterCount> floats_{};
  std::array<ComPtr<IDirect3DBaseTexture9>, kEffectParameterCount> textures_;
};

}  // namespace

std::unique_ptr<ToneEffect> CreateBuiltInToneEffect(IDirect3DDevice9* device) {
  if (!device) return nullptr;
  auto effect = std::make_unique<BuiltInToneEffect>(device);
  if (!effect->Create()) return nullptr;
  return effect;
}

LoadedToneEffect LoadToneEffect(IDirect3DDevice9* device, const wchar_t* effectPath) {
  LoadedToneEffect loaded;
  if (!device) return loaded;
  ComPtr<ID3DXEffect> effect;
  ComPtr<ID3DXBuffer> errors;
  const HRESULT hr = effectPath ? D3DXCreateEffectFromFileW(device, effectPath, nullptr, nullptr, kEffectFlags, nullptr,
                                                            &effect, &errors)
                                : E_INVALIDARG;
  if (SUCCEEDED(hr) && effect) {
    auto fromFile = std::make_unique<FileToneEffect>(std::move(effect), device);
    if (const char* missing = fromFile->MissingTechnique()) {
      loaded.fileError = std::string("technique \"") + missing + "\" is missing";
    } else {
      loaded.effect = std::move(fromFile);
      return loaded;
    }
  } else if (errors && errors->GetBufferSize() > 0) {
    loaded.fileError.assign(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
    while (!loaded.fileError.empty() && loaded.fileError.back() == '\0') loaded.fileError.pop_back();
  } else {
    loaded.fileError = "Open Effect Error";
  }
  loaded.effect = CreateBuiltInToneEffect(device);
  return loaded;
}

}  // namespace tl::renderer
