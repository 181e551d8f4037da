#include "renderer_filter/core/tone_effect.h"

#include <cmath>

namespace tl::renderer {
namespace {

constexpr ParameterInfo kParameters[kEffectParameterCount] = {
    {"QuadTexelOffsets", 2}, {"TexelOffsets", 4}, {"g_Constant", 4},    {"g_Constant2", 4},
    {"g_ColorTexture", 0},   {"g_YUY2Texture", 0}, {"g_RampTexture", 0}, {"ViewportPixelOffset", 2},
};

constexpr const char* kTechniques[kTechniqueCount] = {"Fixed", "Lumara", "SimplestVS2", "SimplestVS2_YUY2",
                                                      "YUY2ToRGB"};

// BT.601 luma weights; video levels put 219 steps between black 16 and white 235 and 224 steps
// across each colour difference.
constexpr double kKr = 0.299;
constexpr double kKb = 0.114;
constexpr double kKg = 1.0 - kKr - kKb;
constexpr double kLumaSteps = 219.0 / 255.0;
constexpr double kChromaSteps = 224.0 / 255.0;

AffineMatrix MakeRgbToVideo() {
  const double cb = kChromaSteps / (2.0 * (1.0 - kKb));
  const double cr = kChromaSteps / (2.0 * (1.0 - kKr));
  return {{
      {kLumaSteps * kKr, kLumaSteps * kKg, kLumaSteps * kKb, 16.0},
      {-cb * kKr, -cb * kKg, cb * (1.0 - kKb), 128.0},
      {cr * (1.0 - kKr), -cr * kKg, -cr * kKb, 128.0},
  }};
}

AffineMatrix MakeVideoToRgb() {
  const double y = 1.0 / kLumaSteps;
  const double bFromCb = 2.0 * (1.0 - kKb) / kChromaSteps;  // B - luma per Cb step
  const double rFromCr = 2.0 * (1.0 - kKr) / kChromaSteps;  // R - luma per Cr step
  const double gFromCb = -kKb * bFromCb / kKg;
  const double gFromCr = -kKr * rFromCr / kKg;
  return {{
      {y, 0.0, rFromCr, -16.0 * y - 128.0 * rFromCr},
      {y, gFromCb, gFromCr, -16.0 * y - 128.0 * (gFromCb + gFromCr)},
      {y, bFromCb, 0.0, -16.0 * y - 128.0 * bFromCb},
  }};
}

double Apply(const AffineRow& row, double a, double b, double c) { return row.x * a + row.y * b + row.z * c + row.w; }

Rgb Unpack(Pixel p) {
  return {static_cast<double>(p >> 16 & 0xFF), static_cast<double>(p >> 8 & 0xFF), static_cast<double>(p & 0xFF)};
}

}  // namespace

const ParameterInfo& Describe(EffectParameter parameter) { return kParameters[static_cast<int>(parameter)]; }

const char* TechniqueName(Technique technique) { return kTechniques[static_cast<int>(technique)]; }

std::optional<Technique> FindTechnique(std::string_view name) {
  for (int i = 0; i < kTechniqueCount; ++i) {
    if (name == kTechniques[i]) return static_cast<Technique>(i);
  }
  return std::nullopt;
}

EffectParameter FrameTexture(Technique technique) {
  return technique == Technique::kSimplestVS2Yuy2 || technique == Technique::kYuy2ToRgb ? EffectParameter::kYuy2Texture
                                                                                          : EffectParameter::kColorTexture;
}

bool UsesRamp(Technique technique) { return technique == Technique::kLumara; }

Float4 ToneConstant(int lowPoint, int highPoint, float noise) {
  const frame::ToneParams p = frame::MakeToneParams(lowPoint, highPoint, noise, 0.0f);
  return {p.knee, noise, p.mid, p.slope};
}

frame::ToneParams ToneFromConstants(const Float4& constant, const Float4& constant2) {
  frame::ToneParams p;
  p.knee = constant[0];
  p.noise = constant[1];
  p.mid = constant[2];
  p.slope = constant[3];
  p.strength = constant2[0];
  return p;
}

const AffineMatrix& RgbToVideoMatrix() {
  static const AffineMatrix matrix = MakeRgbToVideo();
  return matrix;
}

const AffineMatrix& VideoToRgbMatrix() {
  static const AffineMatrix matrix = MakeVideoToRgb();
  return matrix;
}

Ycc ToVideoLevels(const Rgb& c) {
  const AffineMatrix& m = RgbToVideoMatrix();
  return {Apply(m[0], c.r, c.g, c.b), Apply(m[1], c.r, c.g, c.b), Apply(m[2], c.r, c.g, c.b)};
}

Rgb ToRgb(const Ycc& c) {
  const AffineMatrix& m = VideoToRgbMatrix();
  return {Apply(m[0], c.y, c.cb, c.cr), Apply(m[1], c.y, c.cb, c.cr), Apply(m[2], c.y, c.cb, c.cr)};
}

Ycc ApplyTone(const frame::ToneParams& tone, const Ycc& pixel) {
  const double x = pixel.y;
  double d = frame::CurveDenominator(tone, x, x / 256.0);
  if (!(d >= kMinCurveDenominator)) d = kMinCurveDenominator;
  const double strength = tone.strength;
  const double gainStep = (frame::CurveGain(x, d) - 1.0) * strength;  // (G - 1) s
  const double blended = 1.0 + gainStep;                               // s G + (1 - s)
  const double saturation = 1.0 + 0.8 * static_cast<double>(tone.noise);
  auto chroma = [&](double c) { return ((c * blended - gainStep * 128.5) - 128.0) * saturation + 128.0; };
  return {x * blended - gainStep * 16.5, chroma(pixel.cb), chroma(pixel.cr)};
}

RampTexels IdentityRampTexels() {
  RampTexels ramp;
  for (std::uint32_t k = 0; k < 256; ++k) ramp[k] = k << 16 | k << 8 | k;
  return ramp;
}

std::uint8_t ToByte(double level) {
  if (!(level > 0.0)) return 0;
  if (level >= 255.0) return 255;
  return static_cast<std::uint8_t>(std::floor(level + 0.5));
}

Pixel PackRgb(const Rgb& rgb) {
  return static_cast<Pixel>(ToByte(rgb.r)) << 16 | static_cast<Pixel>(ToByte(rgb.g)) << 8 | ToByte(rgb.b);
}

Pixel ReferenceFixed(Pixel source) { return source & 0xFFFFFF; }

Pixel ReferenceSimplest(const frame::ToneParams& tone, Pixel source) {
  return PackRgb(ToRgb(ApplyTone(tone, ToVideoLevels(Unpack(source)))));
}

Pixel ReferenceLumara(const frame::ToneParams& tone, const RampTexels& ramp, Pixel source) {
  const Pixel ramped = (ramp[source >> 16 & 0xFF] & 0xFF0000) | (ramp[source >> 8 & 0xFF] & 0x00FF00) |
                       (ramp[source & 0xFF] & 0x0000FF);
  return ReferenceSimplest(tone, ramped);
}

Pixel ReferenceYuy2ToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr) { return PackRgb(ToRgb({1.0 * y, 1.0 * cb, 1.0 * cr})); }

Pixel ReferenceSimplestYuy2(const frame::ToneParams& tone, std::uint8_t y, std::uint8_t cb, std::uint8_t cr) {
  return PackRgb(ToRgb(ApplyTone(tone, {1.0 * y, 1.0 * cb, 1.0 * cr})));
}

}  // namespace tl::renderer
