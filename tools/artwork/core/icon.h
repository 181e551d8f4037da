// Icon (.ico) and DirectDraw surface (.dds) files, written for the resource compiler and D3DX and
// read back by the tests.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/artwork/core/image.h"

namespace tl::artwork {

// One file holding every picture as a 32-bit entry with alpha and the AND mask that older
// systems draw from (set where a pixel is fully transparent). Sizes 1..256, square or not.
std::vector<uint8_t> EncodeIco(std::span<const Image> images);

// The entries of an icon file written as above (32-bit, uncompressed). False on anything else
// or on any size or offset outside the data.
bool DecodeIco(std::span<const uint8_t> file, std::vector<Image>& out);

// An uncompressed A8R8G8B8 surface without mipmaps, the form D3DX reads into a texture as is.
std::vector<uint8_t> EncodeDdsArgb(const Image& image);

// Reads the form above back. False on any other format or a size that does not fit the data.
bool DecodeDdsArgb(std::span<const uint8_t> file, Image& out);

}  // namespace tl::artwork
