#include "common/dshow/win32/push_source.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/pins.h"

namespace tl::dshow {
namespace {

class PushPin final : public OutputPin {
 public:
  PushPin(BaseFilter& filter, const PushSourceSpec& spec) : OutputPin(filter, L"Output"), spec_(spec) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
    return SameMediaType(type, spec_.type.get()) ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, MediaType& type) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    type = spec_.type;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& requested) override {
    requested.cBuffers = std::max<long>(requested.cBuffers, spec_.buffers);
    requested.cbBuffer = std::max<long>(requested.cbBuffer, spec_.frameBytes);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(&requested, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= spec_.frameBytes ? S_OK : E_FAIL;
  }

 private:
  const PushSourceSpec& spec_;
};

class PushSource final : public BaseFilter {
 public:
  explicit PushSource(PushSourceSpec spec) : BaseFilter(spec.classId), spec_(std::move(spec)), pin_(*this, spec_) {}

  int PinCount() override { return 1; }
  BasePin* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  STDMETHODIMP Stop() override {
    stopping_ = true;
    // Decommitting (in the pin's Inactive) releases the thread from GetDeliveryBuffer, and a
    // graph stops the filters downstream first, so a Receive it sits in returns as well. The
    // thread ends here: left running, it could take a buffer of the next run's allocator and
    // deliver this run's sample into a paused renderer, which holds it while the next Pause
    // waits for the thread.
    const HRESULT hr = BaseFilter::Stop();
    if (thread_.joinable()) thread_.join();
    return hr;
  }

 protected:
  void Destroy() override { delete this; }
  void OnStateChanged(FILTER_STATE from) override {
    if (from != State_Stopped || !pin_.IsConnected()) return;
    if (thread_.joinable()) thread_.join();
    stopping_ = false;
    thread_ = std::thread([this] { Stream(); });
  }

 private:
  ~PushSource() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }

  void Stream() {
    for (int i = 0; !stopping_; ++i) {
      ComPtr<IMediaSample> sample;
      if (FAILED(pin_.GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) return;
      BYTE* data = nullptr;
      REFERENCE_TIME start = 0, stop = 0;
      if (FAILED(sample->GetPointer(&data)) || !spec_.frame(i, data, &start, &stop)) break;
      sample->SetActualDataLength(spec_.frameBytes);
      sample->SetTime(&start, &stop);
      sample->SetSyncPoint(TRUE);
      if (pin_.Deliver(sample.Get()) != S_OK) return;
    }
    if (!stopping_ && spec_.endOfStream) pin_.DeliverEndOfStream();
  }

  PushSourceSpec spec_;
  PushPin pin_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
};

}  // namespace

win32::ComPtr<IBaseFilter> CreatePushSource(PushSourceSpec spec) {
  if (!spec.frame) return nullptr;
  return win32::AdoptComPtr<IBaseFilter>(new (std::nothrow) PushSource(std::move(spec)));
}

}  // namespace tl::dshow
