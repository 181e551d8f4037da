// Timing harness (not a test): the renderer's upload path on a real Direct3D 9 device under
// Wine, 1920 x 1080 YUY2 and RGB32 frames, beside memcpy of the same frames. Per frame: the
// calling thread's processor time, the whole process's (Wine runs the GL side on a thread of its
// own), and the wall time with the device finished (an event query), over 200 frames.
//   scripts/wine-bench --arch win64 --state build/win64/bench --
//     bash -c 'cd build/win64/benchmarks && "$WINE" renderer_upload_timing.exe'
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <tuple>
#include <vector>

#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "renderer_filter/win32/frame_upload.h"

namespace {

using tl::win32::ComPtr;

double Milliseconds(const FILETIME& t) {
  return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
}
double ThreadCpu() {
  FILETIME c, e, k, u;
  ::GetThreadTimes(::GetCurrentThread(), &c, &e, &k, &u);
  return Milliseconds(k) + Milliseconds(u);
}
double ProcessCpu() {
  FILETIME c, e, k, u;
  ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k, &u);
  return Milliseconds(k) + Milliseconds(u);
}
double Now() {
  LARGE_INTEGER f, t;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1e3 / double(f.QuadPart);
}

void Finish(IDirect3DDevice9* device) {
  ComPtr<IDirect3DQuery9> query;
  if (FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query))) return;
  query->Issue(D3DISSUE_END);
  while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) ::Sleep(1);
}

struct Figures {
  double thread, process, wall;
};

constexpr int kFrames = 200;
constexpr int kRing = 8;  // frames from a ring larger than the last-level cache

template <typename Step>
Figures Time(Step step, IDirect3DDevice9* device) {
  for (int i = 0; i < 5; ++i) step(i);
  if (device) Finish(device);
  const double t0 = ThreadCpu(), p0 = ProcessCpu(), w0 = Now();
  for (int i = 0; i < kFrames; ++i) step(i);
  if (device) Finish(device);
  return {(ThreadCpu() - t0) / kFrames, (ProcessCpu() - p0) / kFrames, (Now() - w0) / kFrames};
}

}  // namespace

int wmain() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"UploadTiming";
  ::RegisterClassW(&wc);
  tl::win32::UniqueWindow window(::CreateWindowW(wc.lpszClassName, L"upload", WS_POPUP, 0, 0, 64, 64, nullptr,
                                                 nullptr, wc.hInstance, nullptr));
  ComPtr<IDirect3D9> d3d = tl::win32::AdoptComPtr(::Direct3DCreate9(D3D_SDK_VERSION));
  if (!window || !d3d) return 1;
  D3DDISPLAYMODE mode{};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.BackBufferFormat = mode.Format;
  pp.BackBufferWidth = 1920;
  pp.BackBufferHeight = 1080;
  pp.hDeviceWindow = window.get();
  ComPtr<IDirect3DDevice9> device;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window.get(),
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &device)))
    return 1;

  std::printf("1920 x 1080, %d frames, milliseconds a frame: calling thread / whole process / wall\n", kFrames);
  for (auto [name, kind, bits] : {std::tuple{"YUY2", tl::renderer::InputKind::kYuy2, 16},
                                  std::tuple{"RGB32", tl::renderer::InputKind::kRgb32, 32}}) {
    const tl::renderer::AcceptedFormat format{kind, 1920, 1080, uint16_t(bits), kind == tl::renderer::InputKind::kYuy2};
    tl::renderer::FrameUpload upload;
    if (!upload.Create(device.Get(), format)) return 1;
    upload.WarmUp();
    const std::size_t bytes = std::size_t(upload.stride()) * 1080;
    std::vector<std::vector<uint8_t>> frames(kRing, std::vector<uint8_t>(bytes));
    for (int f = 0; f < kRing; ++f) std::memset(frames[f].data(), f * 17, bytes);
    std::vector<std::vector<uint8_t>> copies(kRing, std::vector<uint8_t>(bytes));
    const Figures up = Time([&](int i) { upload.Upload(frames[i % kRing].data(), bytes); }, device.Get());
    const Figures mem = Time([&](int i) { std::memcpy(copies[i % kRing].data(), frames[i % kRing].data(), bytes); },
                             nullptr);
    std::printf("%-6s upload (%s%s) %6.2f / %6.2f / %6.2f    memcpy %6.2f / %6.2f / %6.2f\n", name,
                upload.shaderUnpack() ? "packed pairs, " : "", upload.staging() ? "staging" : "dynamic texture",
                up.thread, up.process, up.wall, mem.thread, mem.process, mem.wall);
  }
  return 0;
}
