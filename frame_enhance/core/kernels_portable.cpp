#include <cstdint>

#include "frame_enhance/core/frame_rows.h"
#include "frame_enhance/core/kernels.h"
#include "frame_enhance/core/portable_rows.h"

namespace tl::frame {

const KernelTable& PortableKernels() {
  static constexpr KernelTable table =
      rows::MakeKernelTable(KernelSetId::kPortable, "portable", rows::KernelsOf<rows::PortableRows>::kTable);
  return table;
}

std::int64_t RowBytes(Layout layout, int width) {
  return layout == Layout::kYuy2 ? 2 * static_cast<std::int64_t>(width) : width;
}

std::uint64_t FrameBytes(Layout layout, int width, int height, std::ptrdiff_t pitch) {
  const std::uint64_t w = static_cast<std::uint64_t>(width), h = static_cast<std::uint64_t>(height);
  const std::uint64_t p = static_cast<std::uint64_t>(pitch);
  switch (layout) {
    case Layout::kYuy2:
      return (h - 1) * p + 2 * w;
    case Layout::kI420:
      // Luma, the first chroma plane, then the last row of the second.
      return h * p + (h / 2) * (p / 2) + (h / 2 - 1) * (p / 2) + w / 2;
    case Layout::kNv12:
    case Layout::kSideBySide:
      return h * p + (h / 2 - 1) * p + w;
  }
  return 0;
}

bool FrameFits(Layout layout, int width, int height, std::ptrdiff_t dstPitch, std::ptrdiff_t srcPitch) {
  if (width < 4 || width % 4 != 0) return false;
  const int minimumHeight = layout == Layout::kSideBySide ? 4 : 2;
  if (height < minimumHeight || height % 2 != 0) return false;
  const std::int64_t row = RowBytes(layout, width);
  if (dstPitch < row || srcPitch < row) return false;
  // The extent (at most about 2 x height x pitch) must be addressable.
  const std::ptrdiff_t pitch = dstPitch > srcPitch ? dstPitch : srcPitch;
  if (pitch > PTRDIFF_MAX / 2 / height) return false;
  return FrameBytes(layout, width, height, pitch) <= static_cast<std::uint64_t>(PTRDIFF_MAX);
}

}  // namespace tl::frame
