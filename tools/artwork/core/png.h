// PNG files through libpng: the renderer's output in, the help pictures and sheets out.
#pragma once

#include <string>

#include "tools/artwork/core/image.h"

namespace tl::artwork {

// False (with `error` set) when the file cannot be read as PNG.
bool ReadPng(const std::string& path, Image& out, std::string& error);
bool WritePng(const std::string& path, const Image& image, std::string& error);

}  // namespace tl::artwork
