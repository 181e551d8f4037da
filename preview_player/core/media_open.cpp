#include "preview_player/core/media_open.h"

#include <cwctype>
#include <string>

namespace tl::preview {
namespace {

std::wstring LowerExtension(std::wstring_view path) {
  const size_t name = path.find_last_of(L"\\/");
  const size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring_view::npos || (name != std::wstring_view::npos && dot < name)) return {};
  std::wstring ext(path.substr(dot));
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return ext;
}

std::int32_t SignedAt(std::span<const std::uint8_t> bytes, size_t at) {
  const std::uint32_t v = static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                          static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  return static_cast<std::int32_t>(v);
}

}  // namespace

MediaKind KindOfPath(std::wstring_view path) {
  const std::wstring ext = LowerExtension(path);
  return ext == L".jpg" || ext == L".jpeg" || ext == L".bmp" ? MediaKind::kImage : MediaKind::kOther;
}

bool IsJpegPath(std::wstring_view path) {
  const std::wstring ext = LowerExtension(path);
  return ext == L".jpg" || ext == L".jpeg";
}

bool PictureTooLarge(const PictureSize& size) { return size.width > 2048 && size.height > 1024; }

std::optional<PictureSize> BmpHeaderSize(std::span<const std::uint8_t> start) {
  if (start.size() < kBmpHeaderBytes) return std::nullopt;
  return PictureSize{SignedAt(start, 18), SignedAt(start, 22)};
}

}  // namespace tl::preview
