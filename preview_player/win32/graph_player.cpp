#include "preview_player/win32/graph_player.h"

#include <cstdio>
#include <vector>

#include "common/dshow/win32/media_type.h"
#include "common/win32/file.h"
#include "preview_player/core/still_picture.h"
#include "preview_player/win32/still_source.h"

namespace tl::preview {
namespace {

constexpr UINT kGraphEventMessage = WM_APP + 1;
constexpr long kSilence = -10000;
constexpr DWORD kCueWaitMs = 1000;
constexpr DWORD kLoopCueWaitMs = 500;
constexpr VMR9RenderPrefs kRenderingPreferences = static_cast<VMR9RenderPrefs>(2);

// The volume saved by the last mute, for every player of the process.
long g_savedVolume = 0;

void Debug(const char* text) { ::OutputDebugStringA(text); }

// QueryInterface by an explicit identifier (the toolchain declares no __uuidof for several of
// the graph's automation interfaces).
template <typename T>
HRESULT Query(IUnknown* from, REFIID iid, ComPtr<T>& out) {
  return from->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

// Larger than any picture the size rule lets through; a bigger file is no picture to decode.
constexpr size_t kMaxPictureFileBytes = size_t{256} << 20;

// The size of a picture as the open reads it: the JPEG header through the JPEG library, or the
// bitmap header's fields. Empty when the header cannot be read.
std::optional<PictureSize> PictureHeaderSize(std::FILE* file, bool jpeg) {
  if (jpeg) return ReadJpegHeader(file);
  std::uint8_t header[kBmpHeaderBytes];
  const size_t got = std::fread(header, 1, sizeof header, file);
  return BmpHeaderSize(std::span<const std::uint8_t>(header, got));
}

bool InputConnected(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(&pins))) return false;
  for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    PIN_DIRECTION direction;
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT && SUCCEEDED(pin->ConnectedTo(&peer))) return true;
  }
  return false;
}

ComPtr<IPin> OutputPin(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
  for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    PIN_DIRECTION direction;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT) return pin;
  }
  return nullptr;
}

}  // namespace

CGraphPlayer::CGraphPlayer(HWND mainWindow) : mainWindow_(mainWindow) {}

CGraphPlayer::~CGraphPlayer() { TearDown(); }

void CGraphPlayer::SetRenderless(HWND previewWindow, bool privateDeviceWindow) {
  renderless_ = true;
  previewWindow_ = previewWindow;
  privateDeviceWindow_ = privateDeviceWindow;
}

void CGraphPlayer::TearDown() {
  // Nothing of this graph may reach the main window or the allocator any more.
  if (control_) control_->Stop();
  if (events_) events_->SetNotifyWindow(0, 0, 0);
  events_.Reset();
  videoWindow_.Reset();
  control_.Reset();
  position_.Reset();
  seeking_.Reset();
  windowless_.Reset();
  audio_.Reset();
  captureBuilder_.Reset();
  renderer_.Reset();
  graph_.Reset();
  allocator_.Reset();
  graphBuilt_ = false;
  playing_ = false;
}

bool CGraphPlayer::BuildGraph() {
  TearDown();
  if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph_.GetAddressOf()))) ||
      FAILED(Query(graph_.Get(), IID_IMediaControl, control_)) || FAILED(Query(graph_.Get(), IID_IVideoWindow, videoWindow_)) ||
      FAILED(Query(graph_.Get(), IID_IMediaEventEx, events_)) || FAILED(Query(graph_.Get(), IID_IMediaSeeking, seeking_)) ||
      FAILED(Query(graph_.Get(), IID_IMediaPosition, position_)) || FAILED(Query(graph_.Get(), IID_IBasicAudio, audio_))) {
    TearDown();
    return false;
  }
  ::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_ALL, IID_ICaptureGraphBuilder2,
                     reinterpret_cast<void**>(captureBuilder_.GetAddressOf()));
  videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(mainWindow_));
  events_->SetNotifyWindow(reinterpret_cast<OAHWND>(mainWindow_), kGraphEventMessage, 0);
  muted_ = false;
  graphBuilt_ = true;
  return true;
}

bool CGraphPlayer::InitVmr(std::unique_ptr<VideoLumara0> scene) {
  ComPtr<IBaseFilter> renderer;
  if (FAILED(::CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(renderer.GetAddressOf())))) {
    Debug("CoCreateInstance(CLSID_VideoMixingRenderer9) XXXXXXXXX");
    return false;
  }
  Debug("CoCreateInstance(CLSID_VideoMixingRenderer9)");
  if (FAILED(graph_->AddFilter(renderer.Get(), L"Video Mixing Renderer 9"))) return false;
  // Configuration failures are not fatal.
  ComPtr<IVMRFilterConfig9> config;
  if (SUCCEEDED(Query(renderer.Get(), IID_IVMRFilterConfig9, config))) {
    config->SetRenderingMode(VMR9Mode_Renderless);
    config->SetNumberOfStreams(1);
    config->SetRenderingPrefs(kRenderingPreferences);
  }
  if (SUCCEEDED(Query(renderer.Get(), IID_IVMRWindowlessControl9, windowless_))) windowless_->SetVideoClippingWindow(previewWindow_);
  if (renderless_) {
    ComPtr<IVMRSurfaceAllocatorNotify9> notify;
    if (FAILED(Query(renderer.Get(), IID_IVMRSurfaceAllocatorNotify9, notify))) return false;
    allocator_ = win32::AdoptComPtr(new (std::nothrow) CAllocator(mainWindow_, previewWindow_, privateDeviceWindow_));
    if (!allocator_) return false;
    allocator_->SetScene(std::move(scene));
    if (FAILED(notify->AdviseSurfaceAllocator(kAllocatorUserId, allocator_.Get())) ||
        FAILED(allocator_->AdviseNotify(notify.Get()))) {
      return false;
    }
  }
  renderer_ = renderer;
  return true;
}

VideoLumara0* CGraphPlayer::scene() {
  return allocator_ ? dynamic_cast<VideoLumara0*>(allocator_->scene()) : nullptr;
}

int CGraphPlayer::OpenFile(const wchar_t* path, std::unique_ptr<VideoLumara0> scene) {
  Debug("eLumara.dll:m_GraphPlayer->Play() Start");
  std::FILE* file = path ? ::_wfopen(path, L"rb") : nullptr;
  if (!file) return -1;
  kind_ = KindOfPath(path);
  skin::Pixels picture;
  if (kind_ == MediaKind::kImage) {
    Debug("check image size");
    const bool jpeg = IsJpegPath(path);
    const std::optional<PictureSize> size = PictureHeaderSize(file, jpeg);
    std::fclose(file);
    if (!size || PictureTooLarge(*size)) return -1;
    // Decoded now: a damaged picture fails the open instead of showing half of itself.
    std::string error;
    std::vector<std::uint8_t> bytes;
    if (!win32::ReadWholeFile(path, bytes, kMaxPictureFileBytes) || !DecodePicture(jpeg, bytes, picture, &error)) {
      Debug(("picture not decoded: " + error).c_str());
      return -1;
    }
  } else {
    std::fclose(file);
  }

  if (!BuildGraph() || !InitVmr(std::move(scene))) {
    TearDown();
    return -1;
  }
  Debug("finish __InitVMR");
  HRESULT hr;
  if (kind_ == MediaKind::kImage) {
    Debug("RenderFile() FILE_IMAGE");
    ComPtr<IBaseFilter> source = CreateStillSource(picture);
    ComPtr<IPin> output = OutputPin(source.Get());
    hr = source && output ? graph_->AddFilter(source.Get(), L"Still Picture") : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) hr = graph_->Render(output.Get());
  } else {
    Debug("RenderFile() other");
    hr = graph_->RenderFile(path, nullptr);
  }
  // The video must reach our renderer: anything the graph would show in a window of its own
  // instead counts as a failure.
  if (FAILED(hr) || !InputConnected(renderer_.Get())) {
    char text[96];
    std::snprintf(text, sizeof text, "eLumara.dll: rendering failed (0x%08lX, renderer %s)", static_cast<unsigned long>(hr),
                  InputConnected(renderer_.Get()) ? "connected" : "not connected");
    Debug(text);
    TearDown();
    return -1;
  }
  Debug("eLumara.dll:m_GraphPlayer->Play() End");
  // Cued (not running) while the caller sets the parameters.
  control_->Pause();
  return this->scene() ? 0 : -1;
}

HRESULT CGraphPlayer::FindCaptureSource(IBaseFilter** source) {
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(devices.GetAddressOf()))) ||
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK || !monikers) {
    return E_FAIL;
  }
  ComPtr<IMoniker> last;
  for (ComPtr<IMoniker> moniker; monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK;) last = moniker;
  if (!last) return E_FAIL;
  return last->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(source));
}

int CGraphPlayer::OpenCapture(std::unique_ptr<VideoLumara0> scene) {
  kind_ = MediaKind::kOther;
  if (!BuildGraph() || !InitVmr(std::move(scene))) {
    TearDown();
    return -1;
  }
  ComPtr<IBaseFilter> source;
  HRESULT hr = captureBuilder_ ? captureBuilder_->SetFiltergraph(graph_.Get()) : E_NOINTERFACE;
  if (SUCCEEDED(hr)) hr = FindCaptureSource(&source);
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(source.Get(), L"Video Capture");
  if (SUCCEEDED(hr)) {
    ComPtr<IAMStreamConfig> config;
    if (FAILED(captureBuilder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, source.Get(),
                                              IID_IAMStreamConfig, reinterpret_cast<void**>(config.GetAddressOf())))) {
      captureBuilder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), IID_IAMStreamConfig,
                                     reinterpret_cast<void**>(config.GetAddressOf()));
    }
    int count = 0, size = 0;
    if (config && SUCCEEDED(config->GetNumberOfCapabilities(&count, &size)) && size == sizeof(VIDEO_STREAM_CONFIG_CAPS)) {
      for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        if (FAILED(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type) continue;
        const bool fits = type->formattype == FORMAT_VideoInfo && type->pbFormat &&
                          type->cbFormat >= sizeof(VIDEOINFOHEADER) && caps.MaxOutputSize.cx == 640 &&
                          caps.MaxOutputSize.cy == 480;
        if (fits) {
          auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
          info->bmiHeader.biWidth = 640;
          info->bmiHeader.biHeight = 480;
          info->bmiHeader.biSizeImage = ((640 + 3) & ~3) * 480 * 2;
          type->lSampleSize = info->bmiHeader.biSizeImage;
          if (FAILED(config->SetFormat(type))) ::MessageBoxW(nullptr, L"SetFormat Failed\n", nullptr, MB_OK);
        }
        dshow::DeleteTaskMemMediaType(type);
        if (fits) break;
      }
    }
    ComPtr<IBaseFilter> renderer;
    hr = graph_->FindFilterByName(L"Video Mixing Renderer 9", &renderer);
    if (SUCCEEDED(hr)) {
      hr = captureBuilder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, source.Get(), nullptr, renderer.Get());
    }
  }
  if (FAILED(hr)) return -1;  // no device: no graph without a source is run
  ::ShowWindow(mainWindow_, SW_HIDE);
  ::ShowWindow(mainWindow_, SW_SHOW);
  Run();
  return this->scene() ? 0 : -1;
}

bool CGraphPlayer::Cue(DWORD waitMs) {
  // Paused first, the graph prerolls: a decoder that needs a while for its first frame would
  // otherwise start behind the clock, and its first frames would be dropped as late. The wait
  // ends when the presenter has that frame (Wine's graph keeps answering GetState with an
  // intermediate state long after it).
  OAFilterState state = State_Stopped;
  if (FAILED(control_->GetState(0, &state))) return false;
  const long presented = allocator_ ? allocator_->framesPresented() : 0;
  if (state == State_Stopped) {
    if (FAILED(control_->Pause())) return false;
  } else if (presented > 0) {
    return true;  // cued already
  }
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  while (allocator_ && allocator_->framesPresented() == presented && ::GetTickCount64() < deadline) ::Sleep(5);
  return true;
}

bool CGraphPlayer::Run() {
  if (!control_) return false;
  Cue(kCueWaitMs);
  if (FAILED(control_->Run())) return false;
  playing_ = true;
  return true;
}

bool CGraphPlayer::Pause() {
  if (!control_ || FAILED(control_->Pause())) return false;
  playing_ = false;
  return true;
}

bool CGraphPlayer::Stop() { return control_ && SUCCEEDED(control_->Stop()); }

void CGraphPlayer::HandleEvents() {
  if (!events_) return;
  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    events_->FreeEventParams(code, param1, param2);
    if (code != EC_COMPLETE) continue;
    // From the beginning again. Rewinding a running graph stalls clips with sound under Wine;
    // stopped, rewound and run again, every clip loops.
    if (FAILED(control_->Stop())) return;
    LONGLONG start = 0;
    if (seeking_) seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (!Cue(kLoopCueWaitMs) || (playing_ && FAILED(control_->Run()))) return;
  }
}

void CGraphPlayer::SetMute(bool mute) {
  if (!audio_ || mute == muted_) return;
  if (mute) {
    audio_->get_Volume(&g_savedVolume);
    audio_->put_Volume(kSilence);
  } else {
    audio_->put_Volume(g_savedVolume);
  }
  muted_ = mute;
}

void CGraphPlayer::Paint() {
  VideoLumara0* current = scene();
  if (!current) return;
  RECT client{};
  ::GetClientRect(previewWindow_, &client);
  current->SetTargetSize(client.left, client.top, client.right, client.bottom);
  if (!playing_) allocator_->PresentAgain();
}

void CGraphPlayer::Update() {
  VideoLumara0* current = scene();
  if (kind_ != MediaKind::kImage || !current) return;
  // Both marks are taken every time, so that neither carries over to a later update.
  const bool presented = allocator_->TakeFrameMark();
  const bool changed = current->TakeChanged();
  if (presented || changed) allocator_->RedrawLastFrame();
}

}  // namespace tl::preview
