# libjpeg-turbo for the Windows builds, cross-built from Debian's source package that
# scripts/setup unpacks into build/deps. Gives the imported target tl::jpeg (static).
if(NOT TL_WIN32)
  return()
endif()

file(GLOB TL_JPEG_SOURCE_CANDIDATES LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/build/deps/libjpeg-turbo-*)
list(FILTER TL_JPEG_SOURCE_CANDIDATES EXCLUDE REGEX "\\.(gz|xz|dsc)$")
if(NOT TL_JPEG_SOURCE_CANDIDATES)
  message(FATAL_ERROR "libjpeg-turbo sources are missing from build/deps: run scripts/setup as root")
endif()
list(GET TL_JPEG_SOURCE_CANDIDATES 0 TL_JPEG_SOURCE_DIR)

include(ExternalProject)
set(TL_JPEG_PREFIX ${CMAKE_BINARY_DIR}/deps/jpeg)
set(TL_JPEG_LIBRARY ${TL_JPEG_PREFIX}/lib/libjpeg.a)
ExternalProject_Add(libjpeg_turbo
  SOURCE_DIR ${TL_JPEG_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deps/jpeg-build
  INSTALL_DIR ${TL_JPEG_PREFIX}
  CMAKE_ARGS -G Ninja
             -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
             -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
             -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JPEG8=OFF
  BUILD_BYPRODUCTS ${TL_JPEG_LIBRARY}
  USES_TERMINAL_BUILD ON)

file(MAKE_DIRECTORY ${TL_JPEG_PREFIX}/include)
add_library(tl_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(tl_jpeg PROPERTIES
  IMPORTED_LOCATION ${TL_JPEG_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${TL_JPEG_PREFIX}/include)
add_dependencies(tl_jpeg libjpeg_turbo)
add_library(tl::jpeg ALIAS tl_jpeg)
