// The colour effect shared by the renderer filter and the preview player: the names of the effect
// file "eLumara.dat", the constants both callers derive from the tuning values, the tone that
// the enhanced techniques apply, and the CPU reference of every technique that the shaders are
// checked against.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "frame_enhance/core/tone_tables.h"

namespace tl::renderer {

// Parameters of the effect file. kViewportPixelOffset is set by the effect module itself before
// each draw (callers never set it): it moves the quad by half a pixel of the current viewport so
// that pixel centres sample texel centres.
enum class EffectParameter : int {
  kQuadTexelOffsets,     // float2 {0.5 / video width, 0.5 / video height}
  kTexelOffsets,         // float4 {1 / width, 0, 0, 1 / height}
  kConstant,             // float4 g_Constant {knee, noise, mid, slope}
  kConstant2,            // float4 g_Constant2 {strength, ...}
  kColorTexture,         // texture sampled as RGB
  kYuy2Texture,          // texture of packed YUY2 pairs, one A8R8G8B8 texel a pair
  kRampTexture,          // 256 x 1 ramp of the preview's colour-tone mode
  kViewportPixelOffset,  // float2 {-1 / viewport width, 1 / viewport height}
};
inline constexpr int kEffectParameterCount = 8;

struct ParameterInfo {
  const char* name;
  int floats;  // 0 for a texture
};
const ParameterInfo& Describe(EffectParameter parameter);

enum class Technique : int {
  kFixed,            // the frame unchanged
  kLumara,           // the preview's applied frame: the ramp, then the tone
  kSimplestVS2,      // the renderer's enhanced frame: the tone
  kSimplestVS2Yuy2,  // the same from packed YUY2
  kYuy2ToRgb,        // packed YUY2 unchanged
};
inline constexpr int kTechniqueCount = 5;

const char* TechniqueName(Technique technique);
std::optional<Technique> FindTechnique(std::string_view name);
// The texture parameter that the technique samples the frame from.
EffectParameter FrameTexture(Technique technique);
bool UsesRamp(Technique technique);

using Float4 = std::array<float, 4>;

// g_Constant from a low/high pair and the noise value: {knee, noise, mid, slope}, the frame
// library's mid, knee and slope.
Float4 ToneConstant(int lowPoint, int highPoint, float noise);

// The tone values the enhanced techniques read: knee, noise, mid, slope from g_Constant and the
// strength from component 0 of g_Constant2 (the points themselves are not needed).
frame::ToneParams ToneFromConstants(const Float4& constant, const Float4& constant2);

// Full-range RGB levels 0..255 and BT.601 video levels (Y 16..235, Cb and Cr 16..240 around 128).
struct Rgb {
  double r, g, b;
};
struct Ycc {
  double y, cb, cr;
};

// out = x * in0 + y * in1 + z * in2 + w, one row per output component.
struct AffineRow {
  double x, y, z, w;
};
using AffineMatrix = std::array<AffineRow, 3>;
const AffineMatrix& RgbToVideoMatrix();
const AffineMatrix& VideoToRgbMatrix();

Ycc ToVideoLevels(const Rgb& rgb);
Rgb ToRgb(const Ycc& ycc);

// The curve's denominator is kept at one level or more, so that no setting divides by zero.
inline constexpr double kMinCurveDenominator = 1.0;

// The dynamic tone of the frame library applied to one pixel at any level: luma through the
// S-curve, Cb and Cr scaled by the gain of their luma and by the saturation 1 + 0.8 noise (the
// formulas of the frame tables, without their rounding and without the video-range limit).
Ycc ApplyTone(const frame::ToneParams& tone, const Ycc& pixel);

// Pixels as the X8R8G8B8 texels and render targets hold them: 0x00RRGGBB.
using Pixel = std::uint32_t;
// The preview's ramp texture: texel k = 0x00RRGGBB of ramp entry k of each channel.
using RampTexels = std::array<Pixel, 256>;

RampTexels IdentityRampTexels();

// A level written to an 8-bit target: limited to 0..255 and rounded to the nearest.
std::uint8_t ToByte(double level);
Pixel PackRgb(const Rgb& rgb);

// What each technique draws for one pixel, drawn one to one.
Pixel ReferenceFixed(Pixel source);
Pixel ReferenceSimplest(const frame::ToneParams& tone, Pixel source);
Pixel ReferenceLumara(const frame::ToneParams& tone, const RampTexels& ramp, Pixel source);
// One pixel of a packed pair: y is Y0 for the even pixel and Y1 for the odd one.
Pixel ReferenceYuy2ToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr);
Pixel ReferenceSimplestYuy2(const frame::ToneParams& tone, std::uint8_t y, std::uint8_t cb, std::uint8_t cr);

}  // namespace tl::renderer
