// Decisions of an open: what kind of medium a path names and whether a picture may be opened.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tl::preview {

enum class MediaKind : int { kNone = 0, kImage = 1, kOther = 2 };

// ".jpg", ".jpeg" and ".bmp" (any case) name pictures; every other path is played as a movie.
MediaKind KindOfPath(std::wstring_view path);
bool IsJpegPath(std::wstring_view path);

struct PictureSize {
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// A picture is refused only when it is both wider than 2048 and taller than 1024.
bool PictureTooLarge(const PictureSize& size);

// The width and height of a .bmp as its header gives them: the signed 32-bit little-endian
// values at byte offsets 18 and 22. Empty when the file is too short to hold them.
std::optional<PictureSize> BmpHeaderSize(std::span<const std::uint8_t> start);
inline constexpr std::size_t kBmpHeaderBytes = 26;

}  // namespace tl::preview
