// A video renderer on the base layer: input pins that show each sample at its time on the
// graph's clock (drop what comes too late, keep the quality figures, hold the first sample while
// paused, end the stream with EC_COMPLETE), and the filter around them with IQualProp,
// IQualityControl, IAMFilterMiscFlags and seeking passed through to the upstream filter.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "common/dshow/core/render_schedule.h"
#include "common/dshow/win32/dshow.h"
#include "common/dshow/win32/pins.h"
#include "common/dshow/win32/seeking.h"
#include "common/win32/handles.h"

namespace tl::dshow {

class VideoRenderer;

// The figures of IQualProp for one pin.
struct QualityFigures {
  int framesDrawn = 0;
  int framesDropped = 0;
  int averageFrameRateHundredths = 0;
  int jitterMs = 0;
  int averageSyncOffsetMs = 0;
  int syncOffsetDeviationMs = 0;
};

class RendererPin : public InputPin {
 public:
  RendererPin(VideoRenderer& filter, std::wstring name);
  ~RendererPin();

  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  HRESULT Inactive() override;

  // Called by the filter, under its interface lock, after its state changed.
  void OnStateChanged(FILTER_STATE from, FILTER_STATE to);
  // While paused: a sample (or the end of the stream) has arrived, or the pin is unconnected.
  bool ReadyForPause();
  HANDLE readyEvent() const { return ready_.get(); }
  // The end of the stream has been reached while running (EC_COMPLETE is due or sent).
  bool completed();
  QualityFigures quality();

 protected:
  // Shows one sample (streaming thread, no interface lock held). Failures are the renderer's
  // own business: the stream goes on.
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  // The first sample after a pause from stopped or a flush is shown at once as the still
  // picture; by default through DoRenderSample.
  virtual void ShowStillPicture(IMediaSample* sample) { DoRenderSample(sample); }

 private:
  enum class Wait { kReady, kAbandon };
  // Waits (unlocked) until stream time `until` on the clock, or a state change; kAbandon when
  // the sample must be given up (stopped, flushing).
  Wait WaitForTime(REFERENCE_TIME until);
  void WaitWhilePaused();
  void SendQuality(const Decision& decision, REFERENCE_TIME sampleStart);

  VideoRenderer& renderer_;
  std::mutex lock_;               // the fields below; never held while drawing or waiting
  win32::UniqueHandle wake_;      // manual reset: set on every state change and flush
  win32::UniqueHandle advise_;    // auto reset: the clock's advise
  win32::UniqueHandle ready_;     // manual reset: ReadyForPause
  bool stillShown_ = false;       // since the last pause from stopped or flush
  bool endOfStream_ = false;
  bool completed_ = false;
  std::optional<REFERENCE_TIME> lastStop_;
  RenderScheduler scheduler_;
  QualityStatistics statistics_;
};

class VideoRenderer : public BaseFilter, public IQualProp, public IQualityControl, public IAMFilterMiscFlags {
 public:
  TL_DSHOW_UNKNOWN_FROM(BaseFilter)

  // IMediaFilter
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  // IQualProp: the figures of the primary pin
  STDMETHODIMP get_FramesDroppedInRenderer(int* value) override;
  STDMETHODIMP get_FramesDrawn(int* value) override;
  STDMETHODIMP get_AvgFrameRate(int* value) override;
  STDMETHODIMP get_Jitter(int* value) override;
  STDMETHODIMP get_AvgSyncOffset(int* value) override;
  STDMETHODIMP get_DevSyncOffset(int* value) override;
  // IQualityControl: a renderer is the end of the chain; it only passes its own messages on.
  STDMETHODIMP Notify(IBaseFilter* self, Quality quality) override;
  STDMETHODIMP SetSink(IQualityControl* sink) override;
  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override;

  int PinCount() override { return static_cast<int>(pins_.size()); }
  BasePin* PinAt(int index) override;

  // A pin reached the end of its stream while running: EC_COMPLETE once every connected pin has.
  void OnPinCompleted();
  // Passes a quality message of `pin` to the sink set by SetSink.
  void PassQuality(RendererPin& pin, const Quality& quality);

 protected:
  // Pin 0 is the primary pin: IQualProp reports its figures, its upstream filter seeks.
  explicit VideoRenderer(const CLSID& classId);
  ~VideoRenderer();
  // Pins are members of the derived filter, registered in order.
  void AddPin(RendererPin& pin) { pins_.push_back(&pin); }
  void* FindInterface(REFIID iid) override;
  void OnStateChanged(FILTER_STATE from) override;

 private:
  std::vector<RendererPin*> pins_;
  SeekingPassThrough seeking_;
  std::atomic<IQualityControl*> qualitySink_{nullptr};  // not referenced, as the interface says
  bool completeSent_ = false;
};

}  // namespace tl::dshow
