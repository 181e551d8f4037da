# The shipped build: 32-bit Windows. Its tests run under Wine in a 32-bit prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TL_MINGW_TRIPLET i686-w64-mingw32)
set(TL_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# .def files name exports undecorated; let the linker match them to the __stdcall symbols (Name@N).
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
string(APPEND CMAKE_MODULE_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
