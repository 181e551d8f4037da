// CPaneloDlg: start-up, the events that stop and reload the preview, and the end of the program.
#include "control_panel/win32/panel_dialog.h"

#include <commctrl.h>
#include <windowsx.h>
#include <wtsapi32.h>

#include <array>

#include "common/core/registration.h"
#include "common/win32/com.h"
#include "common/win32/display_adapters.h"
#include "common/win32/file.h"
#include "common/win32/module_path.h"
#include "common/win32/process.h"
#include "control_panel/win32/resource.h"
#include "control_panel/win32/settings_store.h"
#include "control_panel/win32/skin_set.h"
#include "engine/core/ramp_table.h"
#include "skin/win32/kvskinap.h"

namespace tl::panel {

using framework::CommandEntry;
using framework::MessageEntry;

namespace {

constexpr wchar_t kWindowTitle[] = L"Norvak TavoLumara Technology";
constexpr wchar_t kRendererWindowClass[] = L"NorvakVideoRenderer";
constexpr wchar_t kRunningText[] = L"The program is running now.";
constexpr wchar_t kStartupFailureText[] = L"Program initialization error.\nThe program is terminated automatically.";
constexpr wchar_t kMessageCaption[] = L"Message";
constexpr UINT_PTR kTimerId = 0;
constexpr UINT kPreviewPaintMessage = WM_APP + 0x20;
constexpr UINT_PTR kPreviewSubclassId = 0x50525657;  // 'PRVW'
// Longest wait for the registration tool started at start before the next registration runs.
constexpr DWORD kRegistrationWaitMs = 5000;

// The renderer filter's class, and the interface asked of it to learn whether it is registered.
constexpr CLSID kRendererFilterClass = {0xB199525F, 0xCE75, 0x46E6, {0xB6, 0xB7, 0xC6, 0x6A, 0xA5, 0x86, 0xF3, 0x1C}};
constexpr IID kBaseFilterInterface = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// Every control of the template but the full-screen video window, which the layout scales.
constexpr std::array<int, 22> kScaledControls = {
    IDC_PREVIEW_NORMAL, IDC_PREVIEW_APPLIED, IDC_NORMAL_LABEL, IDC_APPLIED_LABEL, IDC_LCD_TAB, IDC_VIDEO_TAB,
    IDC_OPEN_FILE, IDC_FULL_SCREEN, IDC_MODE_NORMAL, IDC_LAUNCH, IDC_MODE_LUMARA, IDC_MODE_VIVID, IDC_MODE_SOFT,
    IDC_MODE_THEATER, IDC_DEFAULT, IDC_STRENGTH_SLIDER, IDC_CONTRAST_LABEL, IDC_CANCEL, IDC_APPLY, IDC_HELP_BUTTON,
    IDC_MINIMIZE, IDC_CLOSE};

// The 19 placeholder buttons, each replaced by a skinned control.
constexpr std::array<int, 19> kPlaceholderButtons = {
    IDC_NORMAL_LABEL, IDC_APPLIED_LABEL, IDC_LCD_TAB, IDC_VIDEO_TAB, IDC_OPEN_FILE, IDC_FULL_SCREEN, IDC_MODE_NORMAL,
    IDC_LAUNCH, IDC_MODE_LUMARA, IDC_MODE_VIVID, IDC_MODE_SOFT, IDC_MODE_THEATER, IDC_DEFAULT, IDC_CONTRAST_LABEL,
    IDC_CANCEL, IDC_APPLY, IDC_HELP_BUTTON, IDC_MINIMIZE, IDC_CLOSE};

constexpr std::array<int, 3> kPreviewWindows = {IDC_FULLSCREEN_VIDEO, IDC_PREVIEW_NORMAL, IDC_PREVIEW_APPLIED};

// Texts fetched through the language manager at start.
constexpr const wchar_t* kTranslatedTexts[] = {
    L"Disable TavoLumara", L"Color Tone: Lumara Mode", L"Color Tone: Vivid Mode", L"Color Tone: Theater Mode",
    L"Color Tone: Soft Mode", L"Cancel", L"Apply", L"Open File", L"Full Screen", kRunningText, kHelpDocumentKey,
    L"This file cannot be shown in the preview."};

struct ClassSearch {
  const wchar_t* className;
  bool found = false;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ClassSearch*>(context);
  wchar_t name[1024] = {};
  if (::GetClassNameW(window, name, 1024) > 0 && ::lstrcmpW(name, search->className) == 0) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

bool HasWindowOfClass(HWND parent, const wchar_t* className) {
  ClassSearch search{className};
  // EnumChildWindows below the desktop visits top-level windows and all their descendants.
  ::EnumChildWindows(parent, &MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The preview windows show what the player draws into them; they never paint over it. When the
// system asks one to paint, the player is asked to draw its picture again.
LRESULT CALLBACK PreviewWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR reference) {
  const auto dialog = reinterpret_cast<HWND>(reference);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (::BeginPaint(hwnd, &paint)) ::EndPaint(hwnd, &paint);
      ::PostMessageW(dialog, kPreviewPaintMessage, 0, 0);
      return 0;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &PreviewWindowProc, kPreviewSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

struct CPaneloDlgTables {
  static constexpr MessageEntry<CPaneloDlg> kMessages[] = {
      {WM_DESTROY, &CPaneloDlg::OnDestroy},
      {WM_PAINT, &CPaneloDlg::OnPaint},
      {WM_ERASEBKGND, &CPaneloDlg::OnEraseBackground},
      {WM_FONTCHANGE, &CPaneloDlg::OnSwallow},
      {WM_CHANGEUISTATE, &CPaneloDlg::OnSwallow},
      {WM_UPDATEUISTATE, &CPaneloDlg::OnSwallow},
      {WM_DEVICECHANGE, &CPaneloDlg::OnSwallow},
      {WM_HOTKEY, &CPaneloDlg::OnSwallow},
      {WM_DISPLAYCHANGE, &CPaneloDlg::OnDisplayChange},
      {WM_WTSSESSION_CHANGE, &CPaneloDlg::OnSessionChange},
      {WM_POWERBROADCAST, &CPaneloDlg::OnPowerBroadcast},
      {preview::api::kGraphEventMessage, &CPaneloDlg::OnGraphEvent},
      {WM_TIMER, &CPaneloDlg::OnTimer},
      {WM_LBUTTONDOWN, &CPaneloDlg::OnLeftButtonDown},
      {WM_GETMINMAXINFO, &CPaneloDlg::OnGetMinMaxInfo},
      {WM_CLOSE, &CPaneloDlg::OnSystemClose},
      {kPreviewPaintMessage, &CPaneloDlg::OnPreviewPaint},
      {WM_QUERYDRAGICON, &CPaneloDlg::OnQueryDragIcon},
  };
  static constexpr CommandEntry<CPaneloDlg> kCommands[] = {
      {IDC_MODE_LUMARA, BN_CLICKED, &CPaneloDlg::OnMode<kModeLumara>},
      {IDC_MODE_VIVID, BN_CLICKED, &CPaneloDlg::OnMode<kModeVivid>},
      {IDC_MODE_THEATER, BN_CLICKED, &CPaneloDlg::OnMode<kModeTheater>},
      {IDC_MODE_SOFT, BN_CLICKED, &CPaneloDlg::OnMode<kModeSoft>},
      {IDC_MODE_NORMAL, BN_CLICKED, &CPaneloDlg::OnMode<kModeNormal>},
      {IDC_LCD_TAB, BN_CLICKED, &CPaneloDlg::OnLcdTab},
      {IDC_VIDEO_TAB, BN_CLICKED, &CPaneloDlg::OnVideoTab},
      {IDC_APPLY, BN_CLICKED, &CPaneloDlg::OnApply},
      {IDC_CANCEL, BN_CLICKED, &CPaneloDlg::OnCancel},
      {IDC_CLOSE, BN_CLICKED, &CPaneloDlg::OnClose},
      {IDC_MINIMIZE, BN_CLICKED, &CPaneloDlg::OnMinimize},
      {IDC_HELP_BUTTON, BN_CLICKED, &CPaneloDlg::OnHelp},
      {IDC_OPEN_FILE, BN_CLICKED, &CPaneloDlg::OnOpenFile},
      {IDC_FULL_SCREEN, BN_CLICKED, &CPaneloDlg::OnFullScreen},
      {IDC_DEFAULT, BN_CLICKED, &CPaneloDlg::OnDefault},
      {IDC_LAUNCH, BN_CLICKED, &CPaneloDlg::OnLaunch},
      {IDC_FULLSCREEN_VIDEO, STN_DBLCLK, &CPaneloDlg::OnFullScreen},
      {IDC_PREVIEW_APPLIED, STN_DBLCLK, &CPaneloDlg::OnFullScreen},
  };
};

CPaneloDlg::CPaneloDlg(HINSTANCE instance) : Dialog(instance, IDD_TAVOLUMARA_DIALOG) {
  icon_ = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  // Every relative name (skins, samples, languages, help, tables) is resolved against the
  // program's folder.
  const std::wstring folder = win32::ModuleDirectory(nullptr);
  if (!folder.empty()) ::SetCurrentDirectoryW(folder.c_str());
}

CPaneloDlg::~CPaneloDlg() {
  if (hwnd()) ::DestroyWindow(hwnd());
  FinishStartRegistrations();
}

std::optional<LRESULT> CPaneloDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    // User commands count only from the third timer tick on.
    if (!readyTicks_.Ready()) return 0;
    // The skinned text buttons repeat every click as a command without a control window (the
    // dialog has no menu or accelerators to send such commands). Taken twice, Full Screen would
    // enter and leave at once and Open File would ask twice.
    if (lParam == 0) return 0;
  }
  return framework::DispatchByTable<CPaneloDlg>(*this, CPaneloDlgTables::kMessages, CPaneloDlgTables::kCommands,
                                                message, wParam, lParam);
}

// ---- Start-up -----------------------------------------------------------------------------------

bool CPaneloDlg::OnInitDialog() {
  const HWND self = hwnd();
  ::SendMessageW(self, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageW(self, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  // The program directory, with its trailing backslash.
  std::wstring current(MAX_PATH, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
  current.resize(length < current.size() ? length : 0);
  if (current.empty()) current = win32::ModuleDirectory(nullptr);
  if (!current.empty() && current.back() != L'\\') current += L'\\';
  programDirectory_ = current;
  WriteProgramDirectory(programDirectory_);
  registrationTool_ = common::RegistrationToolPath(win32::SystemFolder());

  // Languages.
  ::UtlInitLanguageManager();
  languageStarted_ = true;
  const std::wstring languageFolder = programDirectory_ + L"language\\";
  if (languageFolder.size() <= 1024) ::UtlLoadLanguageProfile(languageFolder.c_str());
  ::UtlLoadStrContainer(::UtlGetNationID());
  LoadTexts();

  // One copy only, and none while a video plays through the renderer.
  if (HasWindowOfClass(::GetDesktopWindow(), kRendererWindowClass) || AnotherCopyRuns()) {
    ::MessageBoxW(self, Text(kRunningText).c_str(), kMessageCaption, MB_OK);
    ::DestroyWindow(self);
    return false;
  }
  ::SetWindowTextW(self, kWindowTitle);

  adapter_ = win32::DisplayAdapterCode();
  if (!LoadLibraries()) {
    StartupFailure();
    return false;
  }

  LayOut();

  // The preview player draws into the full-screen window and the two halves.
  HWND fullScreenWindow = Item(IDC_FULLSCREEN_VIDEO);
  for (int id : kPreviewWindows) {
    ::SetWindowSubclass(Item(id), &PreviewWindowProc, kPreviewSubclassId, reinterpret_cast<DWORD_PTR>(self));
  }
  previewDc_.emplace(fullScreenWindow);
  player_.Initialize(self, fullScreenWindow, previewDc_->get(), Item(IDC_PREVIEW_NORMAL), Item(IDC_PREVIEW_APPLIED));
  playerStarted_ = true;

  timerPeriodMs_ = static_cast<UINT>(TimerPeriodMs(adapter_));
  if (adapter_ == common::kAdapterIntel) {
    engine_.IntelGammaInitialize();
    intelRoadStarted_ = true;
  }
  engine_.GetColorfulness(&colourfulness_, &colourfulness_, &colourfulness_);
  engine_.GetColorTemperature(&colourTemperature_);

  {
    win32::ComPtr<IUnknown> filter;
    filterWasRegistered_ = SUCCEEDED(::CoCreateInstance(kRendererFilterClass, nullptr, CLSCTX_INPROC_SERVER,
                                                        kBaseFilterInterface, reinterpret_cast<void**>(filter.GetAddressOf())));
  }

  if (!win32::CanOpenForReading(registrationTool_)) {
    // Commands stay ignored (no timer); the system's close command still ends the program.
    ::MessageBoxW(self, L"Lost of regsvr32.exe", L"Error", MB_OK);
    return true;
  }
  StartUnregistering();

  ReadVideoSettings();
  parameters_ = kStartParameters;
  player_.SetAVS(parameters_.low, parameters_.high, parameters_.noise, parameters_.strength);
  player_.SetCNF(kCnfA, kCnfB);
  player_.SetMethod(kPreviewMethod);
  slider_.SetPosition(SliderPositionFor(parameters_.strength, slider_.maximum()));

  // The display shows no enhancement while the program runs; Close puts back what it showed. The
  // engine reports no failed read (it leaves the table as it was, cleared here): a table that
  // blanks a channel was not read, and putting it back would black the screen out.
  savedRamp_ = {};
  rampSaved_ = engine_.IntelGammaGetRampData(&savedRamp_) == 0 && !engine::BlanksAChannel(savedRamp_);
  engine_.CancelColorEnhance();

  for (const ModeButton& mode : kModeButtons) buttons_[mode.commandId].SetChecked(false, true);
  buttons_[IDC_MODE_LUMARA].SetChecked(true, true);
  mode_ = kModeLumara;
  ::SetUtlFontButtonSelectFlag("ui_gamma", true);

  if (!OpenPreview(kSamplePicture)) {
    StartupFailure();
    return false;
  }
  UpdatePreview();
  StartPreview();
  mediaFile_ = kSamplePicture;

  initialised_ = true;
  movieLoaded_ = launchRequested_ = false;
  resumePending_ = unlockPending_ = displayChangePending_ = false;

  sessionNotifications_ = ::WTSRegisterSessionNotification(self, NOTIFY_FOR_THIS_SESSION) != FALSE;
  timerStarted_ = ::SetTimer(self, kTimerId, timerPeriodMs_, nullptr) != 0;
  return true;
}

bool CPaneloDlg::AnotherCopyRuns() const { return ::FindWindowW(nullptr, kWindowTitle) != nullptr; }

bool CPaneloDlg::LoadLibraries() {
  // The engine first: the player links it and must find this same copy.
  tintorModule_.reset(::LoadLibraryExW((programDirectory_ + L"Tintor.dll").c_str(), nullptr,
                                       LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!tintorModule_ || !engine_.Load(tintorModule_.get())) return false;
  playerModule_.reset(::LoadLibraryExW((programDirectory_ + L"eLumara_Dll.dll").c_str(), nullptr,
                                       LOAD_WITH_ALTERED_SEARCH_PATH));
  return playerModule_ && player_.Load(playerModule_.get());
}

void CPaneloDlg::LoadTexts() {
  for (const wchar_t* key : kTranslatedTexts) {
    const wchar_t* text = ::UtlLoadString(key);
    texts_[key] = text ? text : key;
  }
}

const std::wstring& CPaneloDlg::Text(const wchar_t* key) const {
  static const std::wstring kMissing;
  const auto found = texts_.find(key);
  return found == texts_.end() ? kMissing : found->second;
}

void CPaneloDlg::LayOut() {
  const HWND self = hwnd();
  bodies_[0].Load(programDirectory_ + L"images\\body0.bmp");
  bodies_[1].Load(programDirectory_ + L"images\\body1.bmp");

  // The window takes body1's size and every control scales with it. Without the picture the
  // window keeps the template's size.
  RECT window{};
  ::GetWindowRect(self, &window);
  const int templateWidth = window.right - window.left;
  const int templateHeight = window.bottom - window.top;
  double sx = 1.0, sy = 1.0;
  int width = templateWidth, height = templateHeight;
  if (bodies_[1].loaded() && templateWidth > 0 && templateHeight > 0) {
    width = bodies_[1].width();
    height = bodies_[1].height();
    sx = static_cast<double>(width) / templateWidth;
    sy = static_cast<double>(height) / templateHeight;
  }
  ::SetWindowPos(self, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  for (int id : kScaledControls) {
    HWND control = Item(id);
    if (!control) continue;
    RECT r{};
    ::GetWindowRect(control, &r);
    const Rect scaled = ScaleControlRect({r.left - window.left, r.top - window.top, r.right - window.left,
                                          r.bottom - window.top},
                                         sx, sy);
    ::MoveWindow(control, scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top, FALSE);
    ::ShowWindow(control, SW_SHOWNA);
  }

  for (int id : kPlaceholderButtons) buttons_[id].Bind(self, id);
  skinControls_ = CreateSkinSet(self, programDirectory_ + L"images\\", buttons_,
                                [this](const wchar_t* key) { return Text(key); });
  skinStarted_ = true;

  slider_.Attach(self, IDC_STRENGTH_SLIDER);
  slider_.SetChannelFromResource(instance(), IDB_SLIDER_CHANNEL, true);
  slider_.SetRange(0, kSliderMaximum, false);
  slider_.SetPosition(0);

  outlines_[0] = bodies_[0].Outline();
  outlines_[1] = bodies_[1].Outline();
  if (outlines_[0]) ::SetWindowRgn(self, CopyRegion(outlines_[0].get()), FALSE);
  shapeTab_ = Tab::kLcd;
  const skin::Point origin = CentredOrigin(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), width, height);
  ::SetWindowPos(self, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND fullScreenWindow = Item(IDC_FULLSCREEN_VIDEO);
  const RECT full = FullScreenRectFor(fullScreenWindow);
  ::SetWindowPos(fullScreenWindow, nullptr, full.left, full.top, full.right - full.left, full.bottom - full.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);

  SelectTab(Tab::kLcd);
}

void CPaneloDlg::StartUnregistering() {
  // Under Wine a program start takes a quarter of a second or more; the tool runs apart from the
  // start-up, in the same order. Every later registration waits for it first.
  unregistering_ = std::thread([tool = registrationTool_, folder = programDirectory_] {
    std::vector<win32::UniqueHandle> processes;
    const auto unregister = [&](const wchar_t* server) {
      HANDLE process = nullptr;
      if (win32::StartHidden(common::RegistrationCommand(tool, common::Registration::kUnregister, folder + server),
                             &process)) {
        processes.emplace_back(process);
      }
    };
    unregister(L"eLumara.ax");
    ::Sleep(100);
    unregister(L"NorvakPlugin.dll");
    for (win32::UniqueHandle& process : processes) ::WaitForSingleObject(process.get(), kRegistrationWaitMs);
  });
  registrationsChanged_ = true;
}

void CPaneloDlg::StartupFailure() {
  if (timerStarted_) {
    ::KillTimer(hwnd(), kTimerId);
    timerStarted_ = false;
  }
  ::ShowWindow(hwnd(), SW_HIDE);
  resumePending_ = unlockPending_ = displayChangePending_ = false;
  ::MessageBoxW(hwnd(), kStartupFailureText, kMessageCaption, MB_OK);
  ::Sleep(100);
  ::DestroyWindow(hwnd());
}

bool CPaneloDlg::OpenPreview(const std::wstring& file) { return player_.CreateProcess(file.c_str()) >= 0; }

void CPaneloDlg::StartPreview() {
  player_.StartProcess();
  previewRunning_ = true;
}

void CPaneloDlg::StopPreview() {
  player_.StopProcess();
  previewRunning_ = false;
}

bool CPaneloDlg::ReloadPreview() {
  if (fullScreen_) LeaveFullScreen();
  StopPreview();
  ::Sleep(500);
  if (!OpenPreview(mediaFile_)) {
    // A chosen file that cannot be opened any more gives way to the sample picture.
    const bool fellBack = mediaFile_ != kSamplePicture && (player_.ResetProcess(), OpenPreview(kSamplePicture));
    if (!fellBack) {
      StartupFailure();
      return false;
    }
    mediaFile_ = kSamplePicture;
    movieLoaded_ = false;
  }
  UpdatePreview();
  StartPreview();
  resumePending_ = unlockPending_ = displayChangePending_ = false;
  return true;
}

// ---- The end ------------------------------------------------------------------------------------

// Waits for the registration tool started at start, so that a later registration cannot be
// overtaken by it.
void CPaneloDlg::FinishStartRegistrations() {
  if (unregistering_.joinable()) unregistering_.join();
}

void CPaneloDlg::RunRegistration(common::Registration action, const wchar_t* server) {
  FinishStartRegistrations();
  win32::StartHidden(common::RegistrationCommand(registrationTool_, action, programDirectory_ + server));
}

void CPaneloDlg::EndWithoutChoice() {
  if (displayChosen_) return;
  displayChosen_ = true;
  if (registrationsChanged_) {
    RunRegistration(filterWasRegistered_ ? common::Registration::kRegister : common::Registration::kUnregister,
                    L"NorvakPlugin.dll");
  }
  if (rampSaved_) engine_.IntelGammaSetRampData(&savedRamp_);
}

void CPaneloDlg::ReleasePlayerKeepingTheDisplay() {
  if (!playerStarted_) return;
  // Releasing the preview's Direct3D device may put back the display ramp that was on the display
  // when the device was made (Wine does): the ramp this end chose is sent again if so.
  engine::api::RampTable chosen{};
  const bool read = tintorModule_ && engine_.IntelGammaGetRampData(&chosen) == 0;
  player_.Release();
  previewRunning_ = false;
  engine::api::RampTable after{};
  if (read && engine_.IntelGammaGetRampData(&after) == 0 && after != chosen) engine_.IntelGammaSetRampData(&chosen);
}

void CPaneloDlg::ReleaseAll() {
  const HWND self = hwnd();
  // Any way out that chose nothing puts back what the display and the registrations were.
  EndWithoutChoice();
  if (timerStarted_) ::KillTimer(self, kTimerId);
  if (sessionNotifications_) ::WTSUnRegisterSessionNotification(self);
  ReleasePlayerKeepingTheDisplay();
  previewDc_.reset();
  if (intelRoadStarted_) engine_.IntelGammaRelease();
  outlines_[0].reset();
  outlines_[1].reset();
  if (skinStarted_) ::ReleaseSkin();
  // The renderer filter was taken out of the media players' reach at start: give it back.
  if (registrationsChanged_ && filterWasRegistered_) RunRegistration(common::Registration::kRegister, L"eLumara.ax");
  FinishStartRegistrations();
  timerStarted_ = sessionNotifications_ = playerStarted_ = intelRoadStarted_ = skinStarted_ = false;
  registrationsChanged_ = false;
  initialised_ = false;
  if (languageStarted_) ::UtlReleaseLanguageManager();
  languageStarted_ = false;
}

// ---- Window messages ----------------------------------------------------------------------------

std::optional<LRESULT> CPaneloDlg::OnDestroy(WPARAM, LPARAM) {
  ::ShowWindow(hwnd(), SW_HIDE);
  ReleaseAll();
  return std::nullopt;
}

std::optional<LRESULT> CPaneloDlg::OnPaint(WPARAM, LPARAM) {
  if ((resumePending_ || unlockPending_ || displayChangePending_) && !ReloadPreview()) return 0;
  if (::IsIconic(hwnd())) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(hwnd(), &paint);
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    if (icon_) ::DrawIcon(dc, x, y, icon_);
    ::EndPaint(hwnd(), &paint);
    return 0;
  }
  player_.OnPaint();
  return std::nullopt;
}

std::optional<LRESULT> CPaneloDlg::OnEraseBackground(WPARAM wParam, LPARAM) {
  // The dialog clips its children: the preview windows keep what the player drew.
  HDC dc = reinterpret_cast<HDC>(wParam);
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const BodyBitmap& body = bodies_[static_cast<int>(CurrentTab())];
  if (body.loaded()) {
    body.StretchTo(dc, client);
  } else {
    win32::UniqueGdiObject plain(::CreateSolidBrush(RGB(34, 40, 64)));
    ::FillRect(dc, &client, static_cast<HBRUSH>(plain.get()));
  }
  return 1;
}

std::optional<LRESULT> CPaneloDlg::OnSwallow(WPARAM, LPARAM) { return 0; }

std::optional<LRESULT> CPaneloDlg::OnDisplayChange(WPARAM, LPARAM) {
  if (displayChangePending_) return 0;
  StopPreview();
  displayChangePending_ = true;
  HWND fullScreenWindow = Item(IDC_FULLSCREEN_VIDEO);
  const RECT full = FullScreenRectFor(fullScreenWindow);
  ::SetWindowPos(fullScreenWindow, nullptr, full.left, full.top, full.right - full.left, full.bottom - full.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  ::Sleep(200);
  // The reload happens at the next paint: make sure there is one.
  ::InvalidateRect(hwnd(), nullptr, TRUE);
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnSessionChange(WPARAM wParam, LPARAM) {
  if (wParam == WTS_SESSION_LOCK) {
    StopPreview();
  } else if (wParam == WTS_SESSION_UNLOCK) {
    StopPreview();
    unlockPending_ = true;
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnPowerBroadcast(WPARAM wParam, LPARAM) {
  switch (wParam) {
    case PBT_APMQUERYSUSPEND:
    case PBT_APMQUERYSTANDBY:
    case PBT_APMSUSPEND:
    case PBT_APMSTANDBY:
      StopPreview();
      break;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
      resumePending_ = true;
      ::InvalidateRect(hwnd(), nullptr, TRUE);
      break;
    default:
      break;
  }
  return TRUE;
}

std::optional<LRESULT> CPaneloDlg::OnGraphEvent(WPARAM, LPARAM) {
  player_.OnHandleGraphEvent();
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnTimer(WPARAM wParam, LPARAM) {
  if (wParam != kTimerId) return std::nullopt;
  const int position = slider_.position();
  if (lastSliderPosition_ && *lastSliderPosition_ != position) UpdatePreview();
  lastSliderPosition_ = position;
  player_.OnUpdate();
  player_.SetMute(FALSE);
  if (!readyTicks_.Ready()) {
    readyTicks_.Tick();
    if (readyTicks_.Ready()) ::OutputDebugStringW(L"TavoLumara: commands are taken\n");
  }
  return std::nullopt;
}

std::optional<LRESULT> CPaneloDlg::OnLeftButtonDown(WPARAM, LPARAM lParam) {
  // The strip along the top edge moves the window.
  if (GET_Y_LPARAM(lParam) > 30) return std::nullopt;
  const DWORD cursor = ::GetMessagePos();
  ::PostMessageW(hwnd(), WM_SYSCOMMAND, 0xF011, static_cast<LPARAM>(cursor));
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
  if (!fullScreen_) return std::nullopt;
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  const LONG width = fullScreenRect_.right - fullScreenRect_.left;
  const LONG height = fullScreenRect_.bottom - fullScreenRect_.top;
  info->ptMaxSize = {width, height};
  info->ptMaxTrackSize = {width, height};
  info->ptMaxPosition = {fullScreenRect_.left, fullScreenRect_.top};
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnSystemClose(WPARAM, LPARAM) {
  // The system's close command (Alt+F4, the taskbar) ends the program as the close button does,
  // and works even while commands are not yet taken.
  EndWithoutChoice();
  ::DestroyWindow(hwnd());
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnPreviewPaint(WPARAM, LPARAM) {
  // One repaint of the preview answers every request queued so far.
  MSG more;
  while (::PeekMessageW(&more, hwnd(), kPreviewPaintMessage, kPreviewPaintMessage, PM_REMOVE)) {
  }
  if (!::IsIconic(hwnd())) player_.OnPaint();
  return 0;
}

std::optional<LRESULT> CPaneloDlg::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(icon_); }

bool CPaneloDlg::PreTranslateMessage(MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  switch (message.wParam) {
    case VK_ESCAPE:
    case VK_SPACE:
    case VK_RETURN:
      // Never reach the dialog (they would press buttons or end it); they leave full screen.
      if (fullScreen_) LeaveFullScreen();
      return true;
    case VK_LEFT:
    case VK_UP:
      if (slider_.hwnd() && ::IsWindowVisible(slider_.hwnd())) ::SetFocus(slider_.hwnd());
      return false;
    default:
      return false;
  }
}

}  // namespace tl::panel
