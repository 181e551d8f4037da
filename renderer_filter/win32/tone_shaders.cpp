#include "renderer_filter/win32/tone_shaders.h"

#include <cstdio>

namespace tl::renderer {
namespace {

// Literal registers c4..c13. The ps_2_0 limits: 64 arithmetic and 32 texture slots, at most two
// different constant registers and one t register per instruction.
std::string Literals() {
  auto def = [](int reg, double x, double y, double z, double w) {
    char line[160];
    std::snprintf(line, sizeof line, "def c%d, %.9g, %.9g, %.9g, %.9g\n", reg, x, y, z, w);
    return std::string(line);
  };
  std::string text;
  text += def(4, 1.0, 0.5, 255.0, 1.0 / 256.0);
  text += def(5, 2.0 * 1.4426950408889634, -2.0, 16.5, 128.5);  // 2 log2(e): e^(2t) = 2^(2t log2 e)
  text += def(6, 128.0, 0.8, 1.0, 0.0);
  text += def(7, 255.0 / 256.0, 0.5 / 256.0, 0.0, 0.0);  // level k / 255 -> ramp texel centre (k + 0.5) / 256
  // Samples (0..1) to video levels: the rows take levels, so their weights are scaled by 255.
  const AffineMatrix& toVideo = RgbToVideoMatrix();
  for (int i = 0; i < 3; ++i) {
    text += def(8 + i, toVideo[i].x * 255.0, toVideo[i].y * 255.0, toVideo[i].z * 255.0, toVideo[i].w);
  }
  // Video levels to outputs (0..1).
  const AffineMatrix& toRgb = VideoToRgbMatrix();
  for (int i = 0; i < 3; ++i) {
    text += def(11 + i, toRgb[i].x / 255.0, toRgb[i].y / 255.0, toRgb[i].z / 255.0, toRgb[i].w / 255.0);
  }
  return text;
}

// r0 = a sample (0..1) -> r1.xyz = Y, Cb, Cr in video levels.
const char kSampleToVideo[] =
    "mov r0.w, c4.x\n"
    "dp4 r1.x, r0, c8\n"
    "dp4 r1.y, r0, c9\n"
    "dp4 r1.z, r0, c10\n";

// r1.xyz = Y, Cb, Cr -> r2.xyz toned (the frame library's formulas; see tone_effect.h).
const char kTone[] =
    "mad r3.x, r1.x, -c4.w, c4.x\n"  // 1 - x / 256
    "add r3.y, r1.x, -c0.z\n"
    "add r3.y, r3.y, c4.x\n"         // x - mid + 1
    "mad r3.z, r3.x, r3.y, r1.x\n"
    "add r3.z, r3.z, -c0.x\n"        // x + (1 - x/256)(x - mid + 1) - knee
    "mad r3.w, r3.z, c0.w, c0.z\n"   // d
    "max r3.w, r3.w, c4.x\n"         // at least one level
    "rcp r3.w, r3.w\n"
    "mul r3.x, r1.x, r3.w\n"
    "mul r3.x, r3.x, c5.x\n"
    "exp r3.x, r3.x\n"               // e^(2 x / d)
    "add r3.x, r3.x, c4.x\n"
    "rcp r3.x, r3.x\n"
    "mad r3.x, r3.x, c5.y, c4.x\n"   // tanh(x / d) = 1 - 2 / (e^(2x/d) + 1)
    "mad r3.x, r3.x, c4.z, c4.x\n"   // 255 tanh + 1
    "add r3.y, r1.x, c4.x\n"
    "rcp r3.y, r3.y\n"
    "mul r3.x, r3.x, r3.y\n"         // gain G
    "add r3.x, r3.x, -c4.x\n"
    "mul r3.x, r3.x, c1.x\n"         // step = (G - 1) strength
    "add r3.y, r3.x, c4.x\n"         // blended gain = 1 + step
    "mul r2.x, r1.x, r3.y\n"
    "mad r2.x, r3.x, -c5.z, r2.x\n"  // Y' = x blended - 16.5 step
    "mul r2.yz, r1, r3.y\n"
    "mad r2.yz, r3.x, -c5.w, r2\n"
    "add r2.yz, r2, -c6.x\n"         // c blended - 128.5 step - 128
    "mad r3.z, c0.y, c6.y, c6.z\n"   // saturation 1 + 0.8 noise
    "mad r2.yz, r2, r3.z, c6.x\n";

// `from`.xyz = Y, Cb, Cr in video levels -> oC0.
std::string VideoToOutput(const char* from) {
  std::string text = "mov " + std::string(from) + ".w, c4.x\n";
  text += "dp4_sat r4.x, " + std::string(from) + ", c11\n";
  text += "dp4_sat r4.y, " + std::string(from) + ", c12\n";
  text += "dp4_sat r4.z, " + std::string(from) + ", c13\n";
  text += "mov r4.w, c4.x\nmov oC0, r4\n";
  return text;
}

// t0 -> r1.xyz = Y, Cb, Cr of this pixel of its packed pair. The video width comes from
// QuadTexelOffsets (0.5 / width); the texture holds (width + 1) / 2 texels a row.
const char kUnpackYuy2[] =
    "rcp r0.x, c2.x\n"
    "mul r0.x, r0.x, c4.y\n"     // width
    "mul r0.y, t0.x, r0.x\n"
    "mul r0.y, r0.y, c4.y\n"     // position in pairs
    "frc r0.z, r0.y\n"
    "add r0.w, r0.y, -r0.z\n"    // pair index
    "add r1.x, r0.x, c4.x\n"
    "mul r1.x, r1.x, c4.y\n"
    "frc r1.y, r1.x\n"
    "add r1.x, r1.x, -r1.y\n"    // texels a row
    "rcp r1.x, r1.x\n"
    "add r0.w, r0.w, c4.y\n"
    "mov r5, c6.w\n"
    "mul r5.x, r0.w, r1.x\n"     // the pair's texel centre
    "mov r5.y, t0.y\n"
    "texld r6, r5, s0\n"         // x = Y1, y = U, z = Y0, w = V
    "add r0.z, r0.z, -c4.y\n"    // >= 0 on the odd pixel
    "cmp r1.x, r0.z, r6.x, r6.z\n"
    "mov r1.y, r6.y\n"
    "mov r1.z, r6.w\n"
    "mul r1.xyz, r1, c4.z\n";

}  // namespace

std::string QuadVertexShaderAssembly() {
  return "vs_2_0\n"
         "dcl_position v0\n"
         "dcl_texcoord v1\n"
         "mad r0.xy, c0, v0.w, v0\n"  // half a pixel of the viewport
         "mov r0.zw, v0\n"
         "mov oPos, r0\n"
         "mov oT0.xy, v1\n";
}

std::string PixelShaderAssembly(Technique technique) {
  std::string text = "ps_2_0\n" + Literals() + "dcl t0.xy\ndcl_2d s0\n";
  switch (technique) {
    case Technique::kFixed:
      text += "texld r0, t0, s0\nmov r0.w, c4.x\nmov oC0, r0\n";
      break;
    case Technique::kSimplestVS2:
      text += "texld r0, t0, s0\n";
      text += kSampleToVideo;
      text += kTone;
      text += VideoToOutput("r2");
      break;
    case Technique::kLumara:
      text += "dcl_2d s1\n"
              "texld r0, t0, s0\n"
              "mad r5, r0.x, c7.x, c7.y\n"  // u = v: the ramp is one row
              "mad r6, r0.y, c7.x, c7.y\n"
              "mad r7, r0.z, c7.x, c7.y\n"
              "texld r8, r5, s1\n"
              "texld r9, r6, s1\n"
              "texld r10, r7, s1\n"
              "mov r0.x, r8.x\n"
              "mov r0.y, r9.y\n"
              "mov r0.z, r10.z\n";
      text += kSampleToVideo;
      text += kTone;
      text += VideoToOutput("r2");
      break;
    case Technique::kSimplestVS2Yuy2:
      text += kUnpackYuy2;
      text += kTone;
      text += VideoToOutput("r2");
      break;
    case Technique::kYuy2ToRgb:
      text += kUnpackYuy2;
      text += VideoToOutput("r1");
      break;
  }
  return text;
}

}  // namespace tl::renderer
