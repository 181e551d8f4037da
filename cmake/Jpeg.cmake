# libjpeg-turbo for the Windows builds, cross-built from Debian's source package that
# scripts/setup unpacks into build/deps. Gives the imported target tl::jpeg (static). A fuzzing
# tree (TL_FUZZ) builds the same sources natively, instrumented for coverage and AddressSanitizer,
# so that the fuzzer sees inside the header parser.
if(NOT TL_WIN32 AND NOT TL_FUZZ)
  return()
endif()

file(GLOB TL_JPEG_SOURCE_CANDIDATES LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/build/deps/libjpeg-turbo-*)
list(FILTER TL_JPEG_SOURCE_CANDIDATES EXCLUDE REGEX "\\.(gz|xz|dsc)$")
if(NOT TL_JPEG_SOURCE_CANDIDATES)
  message(FATAL_ERROR "libjpeg-turbo sources are missing from build/deps: run scripts/setup as root")
endif()
list(GET TL_JPEG_SOURCE_CANDIDATES 0 TL_JPEG_SOURCE_DIR)

if(TL_WIN32)
  set(tl_jpeg_compiler -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE})
else()
  set(tl_jpeg_compiler -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
                       "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link,address -g")
endif()

include(ExternalProject)
set(TL_JPEG_PREFIX ${CMAKE_BINARY_DIR}/deps/jpeg)
set(TL_JPEG_LIBRARY ${TL_JPEG_PREFIX}/lib/libjpeg.a)
ExternalProject_Add(libjpeg_turbo
  SOURCE_DIR ${TL_JPEG_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deps/jpeg-build
  INSTALL_DIR ${TL_JPEG_PREFIX}
  CMAKE_ARGS -G Ninja
             ${tl_jpeg_compiler}
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
