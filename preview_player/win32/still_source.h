// The preview's own source for still pictures: the decoded picture as one RGB32 frame, delivered
// at every run and held until the graph stops (no end of stream, so nothing loops). Pictures are
// therefore shown the same way wherever DirectShow cannot render them itself.
#pragma once

#include <dshow.h>

#include "common/win32/com.h"
#include "skin/core/bmp.h"

namespace tl::preview {

win32::ComPtr<IBaseFilter> CreateStillSource(const skin::Pixels& picture);

}  // namespace tl::preview
