#include "common/dshow/win32/renderer.h"

#include <algorithm>

namespace tl::dshow {
namespace {

SampleTimes TimesOf(IMediaSample* sample) {
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT hr = sample->GetTime(&start, &stop);
  SampleTimes times;
  if (hr == S_OK) {
    times.start = start;
    times.stop = stop;
  } else if (hr == VFW_S_NO_STOP_TIME) {
    times.start = start;
  }
  return times;
}

}  // namespace

// ---- RendererPin ----

RendererPin::RendererPin(VideoRenderer& filter, std::wstring name)
    : InputPin(filter, std::move(name)),
      renderer_(filter),
      wake_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      advise_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      ready_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

RendererPin::~RendererPin() = default;

bool RendererPin::ReadyForPause() {
  std::lock_guard guard(lock_);
  return ::WaitForSingleObject(ready_.get(), 0) == WAIT_OBJECT_0;
}

bool RendererPin::completed() {
  std::lock_guard guard(lock_);
  return completed_;
}

QualityFigures RendererPin::quality() {
  const std::optional<REFERENCE_TIME> now = filter_.StreamTime();
  std::lock_guard guard(lock_);
  QualityFigures figures;
  figures.framesDrawn = statistics_.framesDrawn();
  figures.framesDropped = statistics_.framesDropped();
  figures.averageFrameRateHundredths = now ? statistics_.AverageFrameRateHundredths(*now) : 0;
  figures.jitterMs = statistics_.JitterMs();
  figures.averageSyncOffsetMs = statistics_.AverageSyncOffsetMs();
  figures.syncOffsetDeviationMs = statistics_.SyncOffsetDeviationMs();
  return figures;
}

void RendererPin::OnStateChanged(FILTER_STATE from, FILTER_STATE to) {
  std::lock_guard guard(lock_);
  if (from == State_Stopped) {
    // A new stream: nothing shown yet, new figures, a paused graph waits for the first sample.
    stillShown_ = false;
    endOfStream_ = false;
    completed_ = false;
    lastStop_.reset();
    statistics_.Reset();
    scheduler_.Reset();
  }
  if (to == State_Paused && connected_ && !stillShown_ && !endOfStream_) {
    ::ResetEvent(ready_.get());
  } else {
    ::SetEvent(ready_.get());
  }
  if (to == State_Running && from != State_Running) scheduler_.Reset();
  ::SetEvent(wake_.get());
}

RendererPin::Wait RendererPin::WaitForTime(REFERENCE_TIME until) {
  ComPtr<IReferenceClock> clock = filter_.clock();
  if (!clock) return Wait::kReady;
  DWORD_PTR cookie = 0;
  if (FAILED(clock->AdviseTime(filter_.runStart(), until, reinterpret_cast<HEVENT>(advise_.get()), &cookie)))
    return Wait::kReady;
  const HANDLE handles[] = {wake_.get(), advise_.get()};
  const DWORD woke = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  clock->Unadvise(cookie);
  return woke == WAIT_OBJECT_0 + 1 ? Wait::kReady : Wait::kAbandon;
}

void RendererPin::WaitWhilePaused() { ::WaitForSingleObject(wake_.get(), INFINITE); }

STDMETHODIMP RendererPin::Receive(IMediaSample* sample) {
  HRESULT hr = InputPin::Receive(sample);
  if (hr != S_OK) return hr;
  const SampleTimes times = TimesOf(sample);
  {
    std::lock_guard guard(lock_);
    if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  }

  for (;;) {
    std::unique_lock guard(lock_);
    ::ResetEvent(wake_.get());
    const FILTER_STATE state = filter_.state();
    if (state == State_Stopped || flushing_) return S_OK;  // given up: the graph stops or seeks
    if (state == State_Paused) {
      if (!stillShown_) {
        stillShown_ = true;
        guard.unlock();
        ShowStillPicture(sample);
        guard.lock();
        ::SetEvent(ready_.get());
      }
      guard.unlock();
      WaitWhilePaused();
      continue;
    }

    const std::optional<REFERENCE_TIME> now = filter_.StreamTime();
    const Decision decision = scheduler_.Decide(times, now);
    if (decision.action == Action::kWait) {
      guard.unlock();
      WaitForTime(decision.waitUntil);
      continue;  // the state is looked at again whatever woke us
    }
    if (decision.action == Action::kDrop) {
      statistics_.OnDropped();
      guard.unlock();
      SendQuality(decision, times.start.value_or(0));
      return S_OK;
    }
    stillShown_ = true;
    lastStop_ = times.stop ? times.stop : times.start;
    guard.unlock();
    DoRenderSample(sample);
    const std::optional<REFERENCE_TIME> drawn = filter_.StreamTime();
    guard.lock();
    if (drawn) {
      scheduler_.OnDrawn(*drawn);
      statistics_.OnDrawn(*drawn, times.start);
    } else {
      statistics_.OnDrawn(0, std::nullopt);
    }
    return S_OK;
  }
}

void RendererPin::SendQuality(const Decision& decision, REFERENCE_TIME sampleStart) {
  Quality quality{};
  quality.Type = Famine;
  quality.Proportion = 500;  // we manage about half of what comes
  quality.Late = decision.lateness;
  quality.TimeStamp = sampleStart;
  renderer_.PassQuality(*this, quality);
}

STDMETHODIMP RendererPin::EndOfStream() {
  {
    std::lock_guard guard(lock_);
    if (filter_.state() == State_Stopped || flushing_) return S_OK;
    endOfStream_ = true;
    ::SetEvent(ready_.get());
  }
  // Complete once the last picture's time is over; while paused, wait for the run (the stream's
  // thread is ours until then, as in Receive). Stopping or seeking gives the completion up.
  for (;;) {
    std::unique_lock guard(lock_);
    ::ResetEvent(wake_.get());
    if (!endOfStream_ || completed_ || flushing_ || filter_.state() == State_Stopped) return S_OK;
    if (filter_.state() == State_Paused) {
      guard.unlock();
      WaitWhilePaused();
      continue;
    }
    const std::optional<REFERENCE_TIME> now = filter_.StreamTime();
    if (lastStop_ && now && *now < *lastStop_) {
      const REFERENCE_TIME until = *lastStop_;
      guard.unlock();
      if (WaitForTime(until) == Wait::kAbandon) continue;
      guard.lock();
    }
    if (filter_.state() != State_Running || !endOfStream_ || flushing_) continue;
    completed_ = true;
    guard.unlock();
    renderer_.OnPinCompleted();
    return S_OK;
  }
}

STDMETHODIMP RendererPin::BeginFlush() {
  std::lock_guard guard(lock_);
  InputPin::BeginFlush();
  endOfStream_ = false;
  completed_ = false;
  ::SetEvent(wake_.get());  // releases a Receive or EndOfStream that waits
  return S_OK;
}

STDMETHODIMP RendererPin::EndFlush() {
  std::lock_guard guard(lock_);
  InputPin::EndFlush();
  // After a seek the next sample is the new still picture, and a paused graph waits for it.
  stillShown_ = false;
  lastStop_.reset();
  scheduler_.Reset();
  if (filter_.state() == State_Paused && connected_) ::ResetEvent(ready_.get());
  return S_OK;
}

STDMETHODIMP RendererPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  std::lock_guard guard(lock_);
  scheduler_.Reset();
  return InputPin::NewSegment(start, stop, rate);
}

HRESULT RendererPin::Inactive() {
  {
    std::lock_guard guard(lock_);
    ::SetEvent(wake_.get());
  }
  return InputPin::Inactive();
}

// ---- VideoRenderer ----

VideoRenderer::VideoRenderer(const CLSID& classId) : BaseFilter(classId), seeking_(*this) {}

VideoRenderer::~VideoRenderer() = default;

BasePin* VideoRenderer::PinAt(int index) {
  return index >= 0 && index < PinCount() ? pins_[static_cast<size_t>(index)] : nullptr;
}

void* VideoRenderer::FindInterface(REFIID iid) {
  if (iid == IID_IQualProp) return static_cast<IQualProp*>(this);
  if (iid == IID_IQualityControl) return static_cast<IQualityControl*>(this);
  if (iid == IID_IAMFilterMiscFlags) return static_cast<IAMFilterMiscFlags*>(this);
  if (iid == IID_IMediaSeeking) {
    seeking_.SetPin(PinAt(0));
    return static_cast<IMediaSeeking*>(&seeking_);
  }
  if (iid == IID_IMediaPosition) {
    seeking_.SetPin(PinAt(0));
    return static_cast<IMediaPosition*>(&seeking_);
  }
  return BaseFilter::FindInterface(iid);
}

void VideoRenderer::OnStateChanged(FILTER_STATE from) {
  const FILTER_STATE to = state();
  if (from == State_Stopped) completeSent_ = false;
  for (RendererPin* pin : pins_) pin->OnStateChanged(from, to);
}

STDMETHODIMP VideoRenderer::GetState(DWORD timeoutMs, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = this->state();
  if (*state != State_Paused) return S_OK;
  std::vector<HANDLE> waiting;
  for (RendererPin* pin : pins_) {
    if (!pin->ReadyForPause()) waiting.push_back(pin->readyEvent());
  }
  if (waiting.empty()) return S_OK;
  const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(waiting.size()), waiting.data(), TRUE, timeoutMs);
  return woke < WAIT_OBJECT_0 + waiting.size() ? S_OK : VFW_S_STATE_INTERMEDIATE;
}

void VideoRenderer::OnPinCompleted() {
  {
    std::lock_guard guard(lock());
    if (completeSent_ || state() != State_Running) return;
    for (RendererPin* pin : pins_) {
      if (pin->IsConnected() && !pin->completed()) return;
    }
    completeSent_ = true;
  }
  NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

void VideoRenderer::PassQuality(RendererPin&, const Quality& quality) {
  // Only to a sink the application set. Upstream filters are not told: Wine's GStreamer source
  // answers a late-frame notice by discarding every later frame it judges late, which after
  // one slow frame can empty the rest of the stream.
  if (IQualityControl* sink = qualitySink_) sink->Notify(this, quality);
}

namespace {

HRESULT Figure(RendererPin* pin, int* value, int QualityFigures::*field) {
  if (!value) return E_POINTER;
  *value = pin ? pin->quality().*field : 0;
  return S_OK;
}

}  // namespace

STDMETHODIMP VideoRenderer::get_FramesDroppedInRenderer(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::framesDropped);
}
STDMETHODIMP VideoRenderer::get_FramesDrawn(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::framesDrawn);
}
STDMETHODIMP VideoRenderer::get_AvgFrameRate(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::averageFrameRateHundredths);
}
STDMETHODIMP VideoRenderer::get_Jitter(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::jitterMs);
}
STDMETHODIMP VideoRenderer::get_AvgSyncOffset(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::averageSyncOffsetMs);
}
STDMETHODIMP VideoRenderer::get_DevSyncOffset(int* value) {
  return Figure(pins_.empty() ? nullptr : pins_[0], value, &QualityFigures::syncOffsetDeviationMs);
}

STDMETHODIMP VideoRenderer::Notify(IBaseFilter*, Quality) { return S_OK; }

STDMETHODIMP VideoRenderer::SetSink(IQualityControl* sink) {
  qualitySink_ = sink;
  return S_OK;
}

STDMETHODIMP_(ULONG) VideoRenderer::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

}  // namespace tl::dshow
