// The colour engine as the preview drives it: Tintor.dll loaded by ordinal from the player's
// own folder (or a given one).
#pragma once

#include <windows.h>

#include <string>

#include "common/win32/handles.h"
#include "engine/win32/tintor_api.h"
#include "preview_player/core/preview_ramp.h"

namespace tl::preview {

class TintorEngine final : public RampEngine {
 public:
  // Loads Tintor.dll from `folder` (with a trailing backslash), or from the folder of the module
  // that holds this code; true when every export was found.
  bool Load(const std::wstring& folder = {});
  void Unload() { module_.reset(); }

  void SetPanelTable(const char* path) override { api_.SetPCT(path); }
  void SetToneTable(const char* path) override { api_.SetTRC(path); }
  void SetColorTemperature(std::uint32_t kelvin) override { api_.SetColorTemperature(kelvin); }
  void SetColorfulness(std::uint32_t r, std::uint32_t g, std::uint32_t b) override { api_.SetColorfulness(r, g, b); }
  void SetMethod(std::int32_t method) override { api_.SetMethod(method); }
  void SetGammaS(double value) override { api_.SetGammaS(value); }
  void SetGammaV(double value) override { api_.SetGammaV(value); }
  void Prepare(engine::RampTable& ramp) override { api_.PrepareColorEnhance(&ramp); }

 private:
  win32::UniqueModule module_;
  engine::api::TintorApi api_;
};

}  // namespace tl::preview
