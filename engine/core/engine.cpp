#include "engine/core/engine.h"

#include <cmath>

namespace tl::engine {
namespace {

// Just below 1/65535: keeps the power of an all-black level finite.
constexpr double kValueGammaFloor = 65537.0 / 4294967296.0;

void ToLinear(double value, double& out) { out = value <= 0.0 ? 0.0 : value * 65535.0; }

bool AllFinite(const ColourTables& t) {
  for (const auto& channel : t) {
    for (double v : channel) {
      if (!std::isfinite(v)) return false;
    }
  }
  return true;
}

}  // namespace

CTintorEngine::CTintorEngine() = default;

void CTintorEngine::AcceptPanel(const TableImage& image) {
  panelHeader = image.header;
  panelExt = image.ext;
  panelTable = image.data;
  panelLoaded = 1;
}

void CTintorEngine::AcceptTone(const TableImage& image) {
  toneHeader = image.header;
  toneExt = image.ext;
  for (int c = 0; c < kChannels; ++c) {
    for (int i = 0; i < kLevels; ++i) toneTable[c][i] = image.data[c][i] / 65535.0;
  }
  toneLoaded = 1;
}

bool CTintorEngine::ConvertColours(std::int32_t method) {
  const Mat3 tp = PrimariesMatrix(panelExt.red, panelExt.green, panelExt.blue);
  const Mat3 tt = PrimariesMatrix(toneExt.red, toneExt.green, toneExt.blue);
  const double det = Determinant(tp);
  auto tone = [&](int i) { return Vec3{toneTable[0][i], toneTable[1][i], toneTable[2][i]}; };
  auto store = [&](int i, Vec3 rgb) {
    ToLinear(rgb.x, workColours[0][i]);
    ToLinear(rgb.y, workColours[1][i]);
    ToLinear(rgb.z, workColours[2][i]);
  };

  switch (static_cast<Method>(method)) {
    case Method::kPlain: {
      if (det == 0.0) return false;
      const Mat3 m = Inverse(tp, det) * tt;
      for (int i = 0; i < kLevels; ++i) store(i, m * tone(i));
      break;
    }
    case Method::kBradford: {
      const double panelWhiteY = panelExt.white.Sum() > kAbsentWhiteSum ? panelExt.white.y : 1.0;
      const Vec3 wt = WhiteOrD65(toneExt.white);
      if (!(std::fabs(det) >= 1e-8)) return false;
      const Vec3 wc = DaylightWhite(targetTemperature);
      adaptation[0] = BradfordAdaptation(whiteTable[0], wc);
      const double k = (adaptation[0] * wt).y / panelWhiteY;
      const Mat3 m = Inverse(tp, det) * adaptation[0] * tt;
      for (int i = 0; i < kLevels; ++i) store(i, k * (m * tone(i)));
      break;
    }
    case Method::kLabWhite: {
      const Vec3 wp = WhiteOrD65(panelExt.white);
      const Vec3 wt = WhiteOrD65(toneExt.white);
      if (!(std::fabs(det) >= 1e-8)) return false;
      const Vec3 wc = DaylightWhite(targetTemperature);
      adaptation[0] = BradfordAdaptation(whiteTable[0], wc);
      const double k = (adaptation[0] * wt).y / (adaptation[0] * wp).y;
      const Mat3 inverse = Inverse(tp, det);
      for (int i = 0; i < kLevels; ++i) {
        const Vec3 xyz = LabToXyz(XyzToLab(tt * tone(i), whiteTable[0]), wc);
        store(i, inverse * (k * xyz));
      }
      break;
    }
    default:
      return false;
  }
  // A white with a zero Y or extreme primaries can overflow; such a result is no ramp.
  return AllFinite(workColours);
}

bool CTintorEngine::ComputeCore(std::int32_t method) {
  enhancedReady = 0;
  displayedReady = 0;
  if (panelLoaded != 1 || toneLoaded != 1) return false;
  if (!ConvertColours(method)) return false;
  const bool colorimetric = method != static_cast<std::int32_t>(Method::kPlain);

  if (colorimetric) {
    for (int i = 0; i < kLevels; ++i) {
      const double top = std::fmax(workColours[0][i], std::fmax(workColours[1][i], workColours[2][i]));
      const double m = top / 65535.0 + kValueGammaFloor;
      const double factor = (std::pow(m, gammaV) / m) * strength + (1.0 - strength);
      for (int c = 0; c < kChannels; ++c) workColours[c][i] *= factor;
    }
  }
  if (gamutOn == 1) {
    enhancedColours = workColours;
    enhancedReady = 1;
  }
  if (colorimetric) {
    for (auto& channel : workColours) {
      const double top = channel[kLevels - 1];
      if (top > 65535.0) {
        for (double& v : channel) v *= 65535.0 / top;
      }
    }
  }
  for (int c = 0; c < kChannels; ++c) {
    InvertRamp(workColours[c], panelTable[c], std::span<std::uint16_t, kLevels>(&ramp[c * kLevels], kLevels));
  }
  if (colorimetric) {
    // The double variant takes n from the ramp as it is before its own curve.
    if (gamutOn == 1) TanhColourfulness(colourfulness, strength, ramp, enhancedColours);
    TanhColourfulness(colourfulness, strength, ramp);
  }
  return true;
}

void CTintorEngine::PrepareDisplayedColours(std::int32_t method) {
  if (method != static_cast<std::int32_t>(Method::kPlain)) channelGains = {1.0, 1.0, 1.0};
  for (int c = 0; c < kChannels; ++c) {
    std::array<double, kLevels> rampDoubles;
    for (int i = 0; i < kLevels; ++i) rampDoubles[i] = ramp[c * kLevels + i];
    for (int i = 0; i < kLevels; ++i) {
      const double v = enhancedColours[c][i] * channelGains[c];
      const double d = Interpolate(panelInverse[c].data(), 65535, v);
      const double r = std::trunc(Interpolate(rampDoubles.data(), 255, d));
      const double l = Interpolate(rampInverse[c].data(), 65535, r);
      displayedColours[c][i] = Interpolate(panelTable[c].data(), 255, l);
    }
  }
  displayedReady = 1;
}

bool CTintorEngine::Compute(std::int32_t method) {
  gaussianScratch.level = 0;  // built afresh once per computation
  panelInverseReady = 0;
  if (gamutOn == 1 && panelLoaded == 1) {
    bool ok = true;
    for (int c = 0; c < kChannels; ++c) ok = BuildInverseTable(panelTable[c], panelInverse[c]) && ok;
    panelInverseReady = ok ? 1 : 0;
  }

  if (!ComputeCore(method)) {
    prepared = 0;
    return false;
  }

  if (method == static_cast<std::int32_t>(Method::kPlain)) {
    if (temperatureOn == 1) {
      panelTemperature = panelLoaded == 1 ? panelExt.nativeTemperature : kDefaultTemperature;
      TemperatureStep(panelTemperature, targetTemperature, panelTemperature, ramp, ramp, channelGains);
    }
    if (colourfulnessOn == 1) {
      GaussianColourfulness(colourfulness, ramp, ramp, gaussianScratch);
      if (gamutOn == 1) {
        std::array<double, kChannels> tops{};
        for (int c = 0; c < kChannels; ++c) {
          tops[c] = enhancedColours[c][kLevels - 1];
          // A channel without a positive top cannot be brought to the curve's scale.
          if (tops[c] > 0.0) {
            for (double& v : enhancedColours[c]) v *= 65535.0 / tops[c];
          }
        }
        GaussianColourfulness(colourfulness, enhancedColours, gaussianScratch);
        for (int c = 0; c < kChannels; ++c) {
          if (tops[c] > 0.0) {
            for (double& v : enhancedColours[c]) v *= tops[c] / 65535.0;
          }
        }
      }
    }
  }
  prepared = 1;

  if (gamutOn != 1) return true;
  rampInverseReady = 0;
  bool ok = true;
  for (int c = 0; c < kChannels; ++c) {
    std::array<double, kLevels> rampDoubles;
    for (int i = 0; i < kLevels; ++i) rampDoubles[i] = ramp[c * kLevels + i];
    ok = BuildInverseTable(rampDoubles, rampInverse[c]) && ok;
  }
  rampInverseReady = ok ? 1 : 0;
  if (panelInverseReady != 1 || rampInverseReady != 1) {
    displayedReady = 0;
    return true;
  }
  PrepareDisplayedColours(method);
  return true;
}

}  // namespace tl::engine
