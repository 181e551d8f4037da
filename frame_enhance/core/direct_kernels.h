// The direct frame methods: luma through LUT1 and every chroma byte scaled around 128 by the
// gain-table entry of its luma, limited to 16..240. Same signatures as the kernels, with the
// 256-entry gain table in place of LUT2.
#pragma once

#include "frame_enhance/core/kernels.h"

namespace tl::frame {

const KernelTable& DirectKernels();

// ((c - 128) x gain >> 8) + 128, limited to 16..240; a gain of 256 keeps c.
std::uint8_t ScaleChroma(unsigned chroma, unsigned gain);

}  // namespace tl::frame
