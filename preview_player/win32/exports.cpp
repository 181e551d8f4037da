// eLumara_Dll.dll: the preview player's exports (by name and ordinal, see eLumara_Dll.def) over
// the one player object of the process. Every export checks for the objects it needs and
// otherwise does nothing and returns 0 (-1 for the opens).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/win32/com.h"
#include "common/win32/handles.h"
#include "preview_player/core/preview_ramp.h"
#include "preview_player/win32/graph_player.h"
#include "preview_player/win32/player_api.h"
#include "preview_player/win32/scene.h"
#include "preview_player/win32/tintor_engine.h"
#include "preview_player/win32/window_present.h"

namespace {

using tl::preview::CGraphPlayer;
using tl::preview::CPlaneScene;
using tl::preview::VideoLumara0;

struct CPreviewPlayer {
  std::unique_ptr<CGraphPlayer> graphPlayer;
  VideoLumara0* scene = nullptr;  // owned by the allocator-presenter of the open media
  bool fullScreen = false;
  HWND mainWindow = nullptr;
  HWND normalWindow = nullptr;
  HWND appliedWindow = nullptr;
  HWND previewWindow = nullptr;
  HDC previewDc = nullptr;  // kept for the windowless road, which the player never takes
  tl::preview::PresentRoute route = tl::preview::PresentRoute::kDirect3D;
  std::optional<tl::win32::ComApartment> apartment;
  tl::preview::TintorEngine engine;
};

CPreviewPlayer g_player;
bool g_pauseToggle = false;

// The present callback that StartProcess installs: the whole back buffer to the device window
// in full screen, otherwise its left half to the normal window and its right half to the
// applied window.
HRESULT SplitPresent(IDirect3DDevice9* device, CPlaneScene* scene) {
  const int width = scene->backBufferWidth(), height = scene->backBufferHeight();
  if (g_player.fullScreen) {
    const tl::preview::PresentTarget whole[] = {{g_player.previewWindow, {0, 0, width, height}}};
    return scene->presenter.Show(device, g_player.route, whole);
  }
  const tl::preview::SplitPresent split = tl::preview::SplitPresentRects(width, height);
  const tl::preview::PresentTarget halves[] = {{g_player.normalWindow, split.normal},
                                               {g_player.appliedWindow, split.applied}};
  return scene->presenter.Show(device, g_player.route, halves);
}

std::unique_ptr<CGraphPlayer> NewGraphPlayer() {
  auto player = std::make_unique<CGraphPlayer>(g_player.mainWindow);
  player->SetRenderless(g_player.previewWindow, g_player.route == tl::preview::PresentRoute::kGdi);
  return player;
}

int Open(bool capture, const wchar_t* path) {
  if (!g_player.graphPlayer) return tl::preview::api::kOpenFailed;
  auto scene = std::make_unique<VideoLumara0>();
  scene->fullScreen = g_player.fullScreen;
  const int result = capture ? g_player.graphPlayer->OpenCapture(std::move(scene))
                             : g_player.graphPlayer->OpenFile(path, std::move(scene));
  // The scene of an earlier open went with its graph.
  g_player.scene = result == 0 ? g_player.graphPlayer->scene() : nullptr;
  return result == 0 && g_player.scene ? 0 : tl::preview::api::kOpenFailed;
}

int SetLabel(std::wstring CPlaneScene::*label, const wchar_t* text) {
  if (!g_player.scene) return 0;
  g_player.scene->*label = text ? text : L"";
  g_player.scene->MarkChanged();
  return 1;
}

}  // namespace

extern "C" {

int WINAPI eLumara_Initialize(HWND mainWindow, HWND previewWindow, HDC previewDc, HWND normalWindow, HWND appliedWindow) {
  if (!g_player.apartment) g_player.apartment.emplace();
  g_player.graphPlayer.reset();
  g_player.scene = nullptr;
  g_player.mainWindow = mainWindow;
  g_player.previewWindow = previewWindow;
  g_player.previewDc = previewDc;
  g_player.normalWindow = normalWindow;
  g_player.appliedWindow = appliedWindow;
  g_player.route = tl::preview::DefaultPresentRoute();
  g_player.graphPlayer = NewGraphPlayer();
  return 1;
}

int WINAPI eLumara_Release() {
  const bool had = static_cast<bool>(g_player.graphPlayer);
  g_player.graphPlayer.reset();
  g_player.scene = nullptr;
  g_player.fullScreen = false;
  g_player.mainWindow = g_player.normalWindow = g_player.appliedWindow = g_player.previewWindow = nullptr;
  g_player.previewDc = nullptr;
  g_player.engine.Unload();
  g_player.apartment.reset();
  return had ? 1 : 0;
}

int WINAPI eLumara_CreateCapture() { return Open(true, nullptr); }

int WINAPI eLumara_CreateProcess(const wchar_t* path) { return path ? Open(false, path) : tl::preview::api::kOpenFailed; }

int WINAPI eLumara_StartProcess() {
  if (!g_player.graphPlayer || !g_player.scene) return 0;
  g_player.scene->presentCallback = SplitPresent;
  return g_player.graphPlayer->Run() ? 1 : 0;
}

int WINAPI eLumara_StopProcess() {
  if (!g_player.graphPlayer || !g_player.scene) return 0;
  return g_player.graphPlayer->Stop() ? 1 : 0;
}

int WINAPI eLumara_ResetProcess() {
  if (!g_player.graphPlayer) return 0;
  g_player.graphPlayer.reset();
  g_player.scene = nullptr;
  ::Sleep(200);
  g_player.graphPlayer = NewGraphPlayer();
  return 1;
}

int WINAPI eLumara_PauseProcess() {
  if (!g_player.graphPlayer) return 0;
  const bool done = g_pauseToggle ? g_player.graphPlayer->Run() : g_player.graphPlayer->Pause();
  g_pauseToggle = !g_pauseToggle;
  return done ? 1 : 0;
}

int WINAPI eLumara_OnPaint() {
  if (!g_player.graphPlayer) return 0;
  g_player.graphPlayer->Paint();
  return 1;
}

int WINAPI eLumara_OnUpdate() {
  if (!g_player.graphPlayer) return 0;
  g_player.graphPlayer->Update();
  return 1;
}

int WINAPI eLumara_OnHandleGraphEvent() {
  if (!g_player.graphPlayer) return 0;
  g_player.graphPlayer->HandleEvents();
  return 1;
}

int WINAPI eLumara_SetMute(BOOL mute) {
  if (!g_player.graphPlayer) return 0;
  g_player.graphPlayer->SetMute(mute != FALSE);
  return 1;
}

int WINAPI eLumara_SetRamp(const char* panelPath, int mode, int temperature, int red, int green, int blue) {
  if (!g_player.scene) return 0;
  tl::preview::RampEngine* engine = mode == tl::preview::kNormalMode || !g_player.engine.Load() ? nullptr : &g_player.engine;
  tl::preview::ComputePreviewRamp(engine, panelPath, mode, temperature, red, green, blue, g_player.scene->rampTable());
  g_player.scene->UploadRamp();
  g_player.scene->MarkChanged();
  return 1;
}

int WINAPI eLumara_SetAVS(int low, int high, float k1, float k2) {
  if (!g_player.scene) return 0;
  tl::preview::SetAvs(g_player.scene->constants(), low, high, k1, k2);
  g_player.scene->MarkChanged();
  return 1;
}

int WINAPI eLumara_SetCNF(float a, float b) {
  if (!g_player.scene) return 0;
  tl::preview::SetCnf(g_player.scene->constants(), a, b);
  g_player.scene->MarkChanged();
  return 1;
}

int WINAPI eLumara_SetMethod(int) {
  if (!g_player.scene) return 0;
  g_player.scene->SelectLumara();
  g_player.scene->MarkChanged();
  return 1;
}

int WINAPI eLumara_SetFullScreen(BOOL fullScreen) {
  if (!g_player.graphPlayer) return 0;
  g_player.fullScreen = fullScreen != FALSE;
  if (g_player.scene) {
    g_player.scene->fullScreen = g_player.fullScreen;
    g_player.scene->MarkChanged();
  }
  return 1;
}

int WINAPI eLumara_CaptureScene(int value) {
  if (!g_player.scene) return 0;
  g_player.scene->CaptureScene(value);
  return 1;
}

int WINAPI eLumara_SetAppliedFont(const wchar_t* text) { return SetLabel(&CPlaneScene::appliedLabel, text); }

int WINAPI eLumara_SetNormalFont(const wchar_t* text) { return SetLabel(&CPlaneScene::normalLabel, text); }

int WINAPI eLumara_SetMessage(const wchar_t* text) { return SetLabel(&CPlaneScene::hint, text); }

int WINAPI eLumara_OnReceiveMessage(int, int, int) { return g_player.graphPlayer ? 1 : 0; }

}  // extern "C"
