// A push source on the base layer: one output pin "Output" that offers exactly one media type,
// and a streaming thread, started each time the filter leaves the stopped state, that delivers
// the frames a callback fills.
#pragma once

#include <functional>

#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/media_type.h"
#include "common/win32/com.h"

namespace tl::dshow {

struct PushSourceSpec {
  CLSID classId = GUID_NULL;  // what GetClassID answers
  MediaType type;
  long frameBytes = 0;
  long buffers = 2;  // at least this many samples in the allocator
  // Fills frame `index` (frameBytes bytes at `data`) and its times; false: no more frames.
  std::function<bool(int index, BYTE* data, REFERENCE_TIME* start, REFERENCE_TIME* stop)> frame;
  // After the last frame: the end of the stream, or nothing (the last frame stays until the
  // filter stops, as a still picture does).
  bool endOfStream = true;
};

win32::ComPtr<IBaseFilter> CreatePushSource(PushSourceSpec spec);

}  // namespace tl::dshow
