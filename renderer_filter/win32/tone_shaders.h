// The built-in form of the colour effect: vs_2_0 and ps_2_0 assembly of every technique, for
// systems whose effect compiler cannot load "eLumara.dat" (its techniques, same contract).
#pragma once

#include <string>

#include "renderer_filter/core/tone_effect.h"

namespace tl::renderer {

// Constant registers of the built-in shaders.
struct ShaderRegisters {
  // Vertex shader: c0 = ViewportPixelOffset.
  static constexpr int kVertexPixelOffset = 0;
  // Pixel shaders: c0 = g_Constant, c1 = g_Constant2, c2 = QuadTexelOffsets, c3 = TexelOffsets.
  static constexpr int kConstant = 0;
  static constexpr int kConstant2 = 1;
  static constexpr int kQuadTexelOffsets = 2;
  static constexpr int kTexelOffsets = 3;
  // Samplers: s0 = the frame, s1 = the ramp.
  static constexpr int kFrameSampler = 0;
  static constexpr int kRampSampler = 1;
};

std::string QuadVertexShaderAssembly();
std::string PixelShaderAssembly(Technique technique);

}  // namespace tl::renderer
