// A DLL with one value in a data section shared by every process that loads it, and functions
// exported by ordinal from a .def file, as the suite's libraries do.
#include <windows.h>

namespace {
// Initialised, so that the compiler places it in the named section rather than in .bss.
volatile LONG g_shared __attribute__((section(".shr"), shared)) = 0;
}  // namespace

extern "C" {

void WINAPI ProbeSetShared(LONG value) { InterlockedExchange(&g_shared, value); }

LONG WINAPI ProbeGetShared() { return InterlockedCompareExchange(&g_shared, 0, 0); }

// Exported only by ordinal.
LONG WINAPI ProbeAnswer(LONG base) { return base + 42; }

}  // extern "C"
