#include "common/dshow/tests/test_source.h"

#include <dvdmedia.h>

#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/pins.h"
#include "common/testing/wine_testing.h"
#include "common/win32/handles.h"

namespace tl::dshow::testing {
namespace {

// {5E3C2B6A-1F0D-4C47-9B0E-6A7D2C1F3E55}: only for GetClassID.
constexpr CLSID kTestSourceClass = {0x5e3c2b6a, 0x1f0d, 0x4c47, {0x9b, 0x0e, 0x6a, 0x7d, 0x2c, 0x1f, 0x3e, 0x55}};

class TestSource;

class SourcePin final : public OutputPin {
 public:
  SourcePin(BaseFilter& filter, const SourceSpec& spec) : OutputPin(filter, L"Output"), spec_(spec) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
    return SameMediaType(type, spec_.type.get()) ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, MediaType& type) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    type = spec_.type;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& requested) override {
    requested.cBuffers = std::max<long>(requested.cBuffers, 2);
    requested.cbBuffer = std::max<long>(requested.cbBuffer, spec_.frameBytes);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(&requested, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= spec_.frameBytes ? S_OK : E_FAIL;
  }

 private:
  const SourceSpec& spec_;
};

class TestSource final : public BaseFilter {
 public:
  explicit TestSource(SourceSpec spec) : BaseFilter(kTestSourceClass), spec_(std::move(spec)), pin_(*this, spec_) {}

  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  STDMETHODIMP Stop() override {
    stopping_ = true;
    // Decommitting (in the pin's Inactive) releases the thread from GetDeliveryBuffer.
    const HRESULT hr = BaseFilter::Stop();
    // Graphs stop downstream filters first, so the thread leaves its last Receive at once; it
    // is waited for here so that it cannot deliver a sample of this run into the next one (the
    // next pause would then wait for it under the filter's lock while the renderer holds that
    // sample as its still picture). Bounded: a thread still in the Receive of a filter that was
    // not stopped first is joined at the next start.
    ::WaitForSingleObject(streamEnded_.get(), 5000);
    return hr;
  }

 protected:
  void Destroy() override { delete this; }
  void OnStateChanged(FILTER_STATE from) override {
    if (from != State_Stopped || !pin_.IsConnected()) return;
    if (thread_.joinable()) thread_.join();
    stopping_ = false;
    ::ResetEvent(streamEnded_.get());
    thread_ = std::thread([this] {
      Stream();
      ::SetEvent(streamEnded_.get());
    });
  }

 private:
  ~TestSource() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }

  void Stream() {
    for (int i = 0; i < spec_.frames && !stopping_; ++i) {
      ComPtr<IMediaSample> sample;
      if (FAILED(pin_.GetDeliveryBuffer(&sample, nullptr, nullptr, 0)) || stopping_) return;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      if (spec_.fill) spec_.fill(i, data);
      sample->SetActualDataLength(spec_.frameBytes);
      REFERENCE_TIME start = i * spec_.frameTime, stop = start + spec_.frameTime;
      sample->SetTime(&start, &stop);
      sample->SetSyncPoint(TRUE);
      if (pin_.Deliver(sample.Get()) != S_OK) return;
    }
    if (!stopping_) pin_.DeliverEndOfStream();
  }

  SourceSpec spec_;
  SourcePin pin_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  win32::UniqueHandle streamEnded_{::CreateEventW(nullptr, TRUE, TRUE, nullptr)};
};

}  // namespace

win32::ComPtr<IBaseFilter> CreateTestSource(SourceSpec spec) {
  return win32::AdoptComPtr<IBaseFilter>(new (std::nothrow) TestSource(std::move(spec)));
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
