// eLumara.dll: creates and destroys the frame enhancement object for the media-player plug-in.
// The library imports nothing but kernel32: no C runtime is linked, tables come from the
// process heap and the object is built in place.
#include <windows.h>

#include <new>

#include "frame_enhance/core/celumara.h"

namespace {

using tl::frame::CeLumara;

void* HeapAllocate(std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }
void HeapRelease(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }

constexpr tl::frame::TableAllocator kProcessHeap{HeapAllocate, HeapRelease};

}  // namespace

extern "C" BOOL WINAPI ElumaraDllEntry(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
  return TRUE;
}

extern "C" CeLumara* WINAPI CreateCeLumara(int width, int height) {
  void* memory = HeapAllocate(sizeof(CeLumara));
  if (!memory) return nullptr;
  auto* object = new (memory) CeLumara(kProcessHeap, tl::frame::BestKernels());
  object->Init(width, height);
  if (!object->Initialised()) {
    // Without its tables the object could do nothing: the host gets the null it checks for.
    object->~CeLumara();
    HeapRelease(memory);
    return nullptr;
  }
  return object;
}

extern "C" void WINAPI DestroyCeLumara(CeLumara* object) {
  if (!object) return;
  object->Release();
  object->~CeLumara();
  HeapRelease(object);
}
