# The same sources for 64-bit Windows, so that the Windows-side tests run under 64-bit Wine on
# machines whose kernel runs no 32-bit programs (see the README).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TL_MINGW_TRIPLET x86_64-w64-mingw32)
set(TL_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
