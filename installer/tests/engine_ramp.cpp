#include "installer/tests/engine_ramp.h"

#include <algorithm>

#include "common/win32/text.h"

namespace tl::installer::testing {

std::optional<tl::testing::GammaRamp> EngineRampFor(const tl::engine::api::TintorApi& engine,
                                                    const std::wstring& tablesFolder, int mode) {
  WORD red = 0, green = 0, blue = 0, kelvin = 0;
  engine.GetColorfulness(&red, &green, &blue);
  engine.GetColorTemperature(&kelvin);
  const std::string panelPath = tl::win32::Narrow(tablesFolder + L"acf\\panel.acf");
  const std::string tonePath = tl::win32::Narrow(tablesFolder + L"atf\\Mode" + std::to_wstring(mode) + L".atf");
  if (engine.SetPCT(panelPath.c_str()) != 0 || engine.SetTRC(tonePath.c_str()) != 0) return std::nullopt;
  engine.SetColorTemperature(kelvin);
  engine.SetColorfulness(blue, blue, blue);
  tl::engine::api::RampTable ramp{};
  if (engine.PrepareColorEnhance(&ramp) != 0) return std::nullopt;
  tl::testing::GammaRamp out{};
  std::copy(ramp.begin(), ramp.end(), out.begin());
  return out;
}

}  // namespace tl::installer::testing
