#include "common/dshow/tests/test_source.h"

#include <dvdmedia.h>

#include <cstdlib>

#include "common/dshow/win32/push_source.h"
#include "common/testing/wine_testing.h"

namespace tl::dshow::testing {
namespace {

// {5E3C2B6A-1F0D-4C47-9B0E-6A7D2C1F3E55}: only for GetClassID.
constexpr CLSID kTestSourceClass = {0x5e3c2b6a, 0x1f0d, 0x4c47, {0x9b, 0x0e, 0x6a, 0x7d, 0x2c, 0x1f, 0x3e, 0x55}};

}  // namespace

win32::ComPtr<IBaseFilter> CreateTestSource(SourceSpec spec) {
  PushSourceSpec push;
  push.classId = kTestSourceClass;
  push.type = spec.type;
  push.frameBytes = spec.frameBytes;
  push.frame = [spec = std::move(spec)](int index, BYTE* data, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (index >= spec.frames) return false;
    if (spec.fill) spec.fill(index, data);
    *start = index * spec.frameTime;
    *stop = *start + spec.frameTime;
    return true;
  };
  return CreatePushSource(std::move(push));
}

MediaType VideoType(const GUID& subtype, int width, int height, int bitCount, bool info2,
                    REFERENCE_TIME frameTime) {
  MediaType type;
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = static_cast<ULONG>(width * std::abs(height) * bitCount / 8);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitCount);
  header.biCompression = subtype == MEDIASUBTYPE_YUY2 ? MAKEFOURCC('Y', 'U', 'Y', '2') : BI_RGB;
  header.biSizeImage = type->lSampleSize;
  if (info2) {
    VIDEOINFOHEADER2 info{};
    info.AvgTimePerFrame = frameTime;
    info.dwPictAspectRatioX = static_cast<DWORD>(width);
    info.dwPictAspectRatioY = static_cast<DWORD>(std::abs(height));
    info.bmiHeader = header;
    type.SetFormat(FORMAT_VideoInfo2, {reinterpret_cast<const uint8_t*>(&info), sizeof(info)});
  } else {
    VIDEOINFOHEADER info{};
    info.AvgTimePerFrame = frameTime;
    info.bmiHeader = header;
    type.SetFormat(FORMAT_VideoInfo, {reinterpret_cast<const uint8_t*>(&info), sizeof(info)});
  }
  return type;
}

bool WaitForGraphEvent(IUnknown* graph, long code, DWORD timeoutMs) {
  win32::ComPtr<IMediaEvent> events;
  if (FAILED(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()))))
    return false;
  // Polled: Wine's GetEvent gives up at once (E_ABORT) when its queue is empty, whatever the
  // timeout. Messages are pumped meanwhile: the renderer's window thread may be sending to a
  // window of the waiting thread.
  bool arrived = false;
  return tl::testing::WaitFor(
      [&] {
        long got = 0;
        LONG_PTR param1 = 0, param2 = 0;
        while (!arrived && events->GetEvent(&got, &param1, &param2, 0) == S_OK) {
          events->FreeEventParams(got, param1, param2);
          arrived = got == code;
        }
        return arrived;
      },
      timeoutMs);
}

}  // namespace tl::dshow::testing
