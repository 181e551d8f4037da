# Common part of the mingw-w64 cross toolchains (POSIX threads variant, so the C++ standard
# thread library is complete). Set TL_MINGW_TRIPLET before including this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${TL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${TL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic so that Windows and native builds compute the same doubles.
set(CMAKE_C_FLAGS_INIT   "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The installation folder holds only the suite's own files: no mingw runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
