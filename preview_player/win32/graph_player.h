// CGraphPlayer: the filter graph of the preview: opens a picture, movie or capture device with
// the Video Mixing Renderer 9 in renderless mode and the allocator-presenter, runs, pauses,
// stops, loops at the end, mutes, and tears the graph down.
#pragma once

#include <d3d9.h>

#include "common/dshow/win32/dshow.h"

#include <vmr9.h>

#include <memory>
#include <string>

#include "common/win32/com.h"
#include "preview_player/core/media_open.h"
#include "preview_player/win32/allocator.h"
#include "preview_player/win32/scene.h"

namespace tl::preview {

using win32::ComPtr;

class CGraphPlayer {
 public:
  explicit CGraphPlayer(HWND mainWindow);
  CGraphPlayer(const CGraphPlayer&) = delete;
  CGraphPlayer& operator=(const CGraphPlayer&) = delete;
  ~CGraphPlayer();

  // `privateDeviceWindow`: see CAllocator (the GDI road of presenting).
  void SetRenderless(HWND previewWindow, bool privateDeviceWindow = false);

  // The opens: 0 on success, -1 on failure. The scene goes to the allocator (or is destroyed).
  int OpenFile(const wchar_t* path, std::unique_ptr<VideoLumara0> scene);
  int OpenCapture(std::unique_ptr<VideoLumara0> scene);
  // The allocator's scene after an open (null when there is none).
  VideoLumara0* scene();
  CAllocator* allocator() { return allocator_.Get(); }

  bool Run();
  bool Pause();
  bool Stop();
  // Drains the graph's events; a movie's end starts it again from the beginning.
  void HandleEvents();
  void SetMute(bool mute);
  // The preview window's client size to the scene; the last frame again while not playing.
  void Paint();
  // A still picture whose presenter handed out a surface or presented a frame since the last
  // update is drawn again with the current parameters.
  void Update();

  MediaKind kind() const { return kind_; }
  bool playing() const { return playing_; }
  IGraphBuilder* graph() { return graph_.Get(); }

 private:
  bool BuildGraph();
  // Pauses a stopped graph and waits up to `waitMs` for it to have its first frames.
  bool Cue(DWORD waitMs);
  bool InitVmr(std::unique_ptr<VideoLumara0> scene);
  HRESULT FindCaptureSource(IBaseFilter** source);
  void TearDown();

  HWND mainWindow_;
  HWND previewWindow_ = nullptr;
  bool renderless_ = false;
  bool privateDeviceWindow_ = false;
  MediaKind kind_ = MediaKind::kNone;
  bool playing_ = false;
  bool muted_ = false;
  bool graphBuilt_ = false;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IVideoWindow> videoWindow_;
  ComPtr<IMediaSeeking> seeking_;
  ComPtr<IMediaPosition> position_;
  ComPtr<IBasicAudio> audio_;
  ComPtr<IVMRWindowlessControl9> windowless_;
  ComPtr<ICaptureGraphBuilder2> captureBuilder_;
  ComPtr<CAllocator> allocator_;
  ComPtr<IBaseFilter> renderer_;
};

}  // namespace tl::preview
