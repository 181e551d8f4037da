// The second process of the bench's tests.
//   bench_child registry-read NAME       exit code: the DWORD value NAME under the bench's key, or 0xFFFF
//   bench_child shared-bump DLL          loads DLL, adds 1 to its shared value; exit code: the value it found
#include <windows.h>

#include <cwchar>

#include "common/win32/handles.h"
#include "common/win32/proc_address.h"
#include "common/win32/registry.h"

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"registry-read") == 0) {
    auto value = tl::win32::ReadRegDword(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TavoLumaraBench", argv[2]);
    return value ? static_cast<int>(*value) : 0xFFFF;
  }
  if (argc == 3 && std::wcscmp(argv[1], L"shared-bump") == 0) {
    tl::win32::UniqueModule dll(::LoadLibraryW(argv[2]));
    if (!dll) return 0xFFFE;
    using Get = LONG(WINAPI*)();
    using Set = void(WINAPI*)(LONG);
    auto get = tl::win32::ProcAddress<Get>(dll.get(), "ProbeGetShared");
    auto set = tl::win32::ProcAddress<Set>(dll.get(), "ProbeSetShared");
    if (!get || !set) return 0xFFFD;
    const LONG found = get();
    set(found + 1);
    return static_cast<int>(found);
  }
  return 0xFFFC;
}
