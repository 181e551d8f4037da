// Synthetic panel and tone tables for the engine's tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/core/table_file.h"

namespace tl::engine::testing {

inline ExtBlock MakeExt(Vec3 white, Vec3 red, Vec3 green, Vec3 blue, std::uint16_t kelvin = 6500) {
  ExtBlock ext;
  ext.marker = kExtMarker;
  ext.nativeTemperature = kelvin;
  ext.white = white;
  ext.black = {0.001, 0.001, 0.001};
  ext.red = red;
  ext.green = green;
  ext.blue = blue;
  return ext;
}

// sRGB primaries adapted to D50; they add up to (0.9642, 1.0, 0.8251).
inline ExtBlock SrgbD50Ext(std::uint16_t kelvin = 6500) {
  return MakeExt({0.9642, 1.0, 0.8251}, {0.4360, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971},
                 {0.1431, 0.0606, 0.7141}, kelvin);
}

// A strictly increasing display-like response ((x + 0.055) / 1.055)^g on 0..65535, rounded.
inline TableImage DisplayPanel(double gamma = 2.4, ExtBlock ext = SrgbD50Ext()) {
  TableImage image;
  image.ext = ext;
  for (auto& channel : image.data) {
    for (int i = 0; i < kLevels; ++i) channel[i] = std::floor(std::pow((i / 255.0 + 0.055) / 1.055, gamma) * 65535.0 + 0.5);
  }
  return image;
}

inline TableImage LinearPanel(ExtBlock ext = SrgbD50Ext()) {
  TableImage image;
  image.ext = ext;
  for (auto& channel : image.data) {
    for (int i = 0; i < kLevels; ++i) channel[i] = i * 257.0;
  }
  return image;
}

// Tone values on the 0..65535 scale, as stored in a tone file.
inline TableImage PowerTone(double gamma, ExtBlock ext = SrgbD50Ext()) {
  TableImage image;
  image.ext = ext;
  for (auto& channel : image.data) {
    for (int i = 0; i < kLevels; ++i) channel[i] = std::pow(i / 255.0, gamma) * 65535.0;
  }
  return image;
}

inline std::vector<std::uint8_t> FileBytes(const TableImage& image, TableKind kind) { return WriteTableFile(image, kind); }

}  // namespace tl::engine::testing
