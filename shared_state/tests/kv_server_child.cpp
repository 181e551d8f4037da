// The second process of the KvServer tests: loads the library given on its command line and
// runs one command; the result is its exit code (1000 and above: the library did not load).
#include <windows.h>

#include <cwchar>
#include <string>

#include "common/win32/handles.h"
#include "shared_state/win32/kv_server_api.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 1000;
  tl::win32::UniqueModule library(::LoadLibraryW(argv[1]));
  tl::shared::KvServerApi kv;
  if (!kv.Bind(library.get())) return 1001;
  const std::wstring command = argv[2];
  const int argument = argc > 3 ? _wtoi(argv[3]) : 0;

  if (command == L"get-method") return kv.GetMethod();
  if (command == L"set-method") return kv.SetMethod(argument);
  if (command == L"set-adjustment") return kv.SetAdjustment(argument);
  if (command == L"get-adjustment") {
    int percent = -1;
    kv.GetAdjustment(&percent);
    return percent;
  }
  if (command == L"check-adjustment-ex" && argc == 7) {
    int low = 0, high = 0;
    float noise = 0, strength = 0;
    kv.GetAdjustmentEx(&low, &high, &noise, &strength);
    return low == _wtoi(argv[3]) && high == _wtoi(argv[4]) && noise == std::wcstof(argv[5], nullptr) &&
           strength == std::wcstof(argv[6], nullptr);
  }
  if (command == L"get-video-window") return static_cast<int>(reinterpret_cast<uintptr_t>(kv.GetVideoWindow()));
  if (command == L"get-inited") return kv.CheckInited();
  if (command == L"create-dialog") return kv.CreateNorvakDialog();
  if (command == L"remove-dialog") return kv.RemoveNorvakDialog();
  if (command == L"create-remove") {
    const BOOL created = kv.CreateNorvakDialog();
    const BOOL removed = kv.RemoveNorvakDialog();
    return (created ? 2 : 0) + (removed ? 1 : 0);
  }
  return 1002;
}
