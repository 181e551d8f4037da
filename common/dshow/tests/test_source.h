// The base layer's push source set up for tests that need frames of a chosen media type in a
// real filter graph: one output pin "Output" offering exactly one type, a streaming thread that
// delivers timed frames from the first pause on and then the end of the stream.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/media_type.h"
#include "common/win32/com.h"

namespace tl::dshow::testing {

struct SourceSpec {
  MediaType type;
  int frames = 10;
  REFERENCE_TIME frameTime = 400000;  // 40 ms
  long frameBytes = 0;
  // Fills frame `index` (frameBytes bytes).
  std::function<void(int index, uint8_t* data)> fill;
};

win32::ComPtr<IBaseFilter> CreateTestSource(SourceSpec spec);

// A VIDEOINFOHEADER (or VIDEOINFOHEADER2) video type of the given subtype and geometry.
MediaType VideoType(const GUID& subtype, int width, int height, int bitCount, bool info2 = false,
                    REFERENCE_TIME frameTime = 400000);

// Takes the graph's events until one with `code` arrives (true) or timeoutMs passes (false).
// (IMediaEvent::WaitForCompletion is no help after a restart: Wine's graph answers it at once
// with the completion of the run before.)
bool WaitForGraphEvent(IUnknown* graph, long code, DWORD timeoutMs);

}  // namespace tl::dshow::testing
