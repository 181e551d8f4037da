// IBasicVideo of a renderer: the source and destination rectangles (by default the whole video
// and the whole client area of the video window), the video's size and frame time, and the
// current image as a packed DIB. The renderer supplies the facts through the virtuals.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "common/dshow/win32/base_filter.h"
#include "common/dshow/win32/dshow.h"

namespace tl::dshow {

class ControlVideo : public IBasicVideo {
 public:
  // Lives inside `owner` and shares its reference count and identity.
  explicit ControlVideo(BaseFilter& owner) : owner_(owner) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  TL_DSHOW_NO_TYPE_INFO

  STDMETHODIMP get_AvgTimePerFrame(REFTIME* time) override;
  STDMETHODIMP get_BitRate(long* rate) override;
  STDMETHODIMP get_BitErrorRate(long* rate) override;
  STDMETHODIMP get_VideoWidth(long* width) override;
  STDMETHODIMP get_VideoHeight(long* height) override;
  STDMETHODIMP put_SourceLeft(long value) override;
  STDMETHODIMP get_SourceLeft(long* value) override;
  STDMETHODIMP put_SourceWidth(long value) override;
  STDMETHODIMP get_SourceWidth(long* value) override;
  STDMETHODIMP put_SourceTop(long value) override;
  STDMETHODIMP get_SourceTop(long* value) override;
  STDMETHODIMP put_SourceHeight(long value) override;
  STDMETHODIMP get_SourceHeight(long* value) override;
  STDMETHODIMP put_DestinationLeft(long value) override;
  STDMETHODIMP get_DestinationLeft(long* value) override;
  STDMETHODIMP put_DestinationWidth(long value) override;
  STDMETHODIMP get_DestinationWidth(long* value) override;
  STDMETHODIMP put_DestinationTop(long value) override;
  STDMETHODIMP get_DestinationTop(long* value) override;
  STDMETHODIMP put_DestinationHeight(long value) override;
  STDMETHODIMP get_DestinationHeight(long* value) override;
  STDMETHODIMP SetSourcePosition(long left, long top, long width, long height) override;
  STDMETHODIMP GetSourcePosition(long* left, long* top, long* width, long* height) override;
  STDMETHODIMP SetDefaultSourcePosition() override;
  STDMETHODIMP SetDestinationPosition(long left, long top, long width, long height) override;
  STDMETHODIMP GetDestinationPosition(long* left, long* top, long* width, long* height) override;
  STDMETHODIMP SetDefaultDestinationPosition() override;
  STDMETHODIMP GetVideoSize(long* width, long* height) override;
  STDMETHODIMP GetVideoPaletteEntries(long start, long entries, long* retrieved, long* palette) override;
  // Without `image`, *bufferSize becomes the size needed; with it, the image is written when
  // *bufferSize is large enough (E_OUTOFMEMORY otherwise).
  STDMETHODIMP GetCurrentImage(long* bufferSize, long* image) override;
  STDMETHODIMP IsUsingDefaultSource() override;
  STDMETHODIMP IsUsingDefaultDestination() override;

  // After a new format: the source rectangle goes back to the whole video when it was the default.
  void OnVideoSizeChanged();
  RECT sourceRect();
  RECT destinationRect();

 protected:
  virtual SIZE NativeVideoSize() = 0;
  virtual REFERENCE_TIME AverageTimePerFrame() { return 0; }
  // The client rectangle the default destination follows.
  virtual RECT ClientRect() = 0;
  // The picture now shown: a BITMAPINFOHEADER followed by its pixels; false when there is none.
  virtual bool CurrentImage(std::vector<uint8_t>& dib) = 0;
  // The rectangles changed (the renderer redraws with them).
  virtual void OnRectanglesChanged() {}

  BaseFilter& owner_;

 private:
  HRESULT SetSource(const RECT& rect);
  HRESULT SetDestination(const RECT& rect);

  std::mutex lock_;
  bool defaultSource_ = true;
  bool defaultDestination_ = true;
  RECT source_{};
  RECT destination_{};
};

}  // namespace tl::dshow
