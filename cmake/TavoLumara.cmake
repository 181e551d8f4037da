# Build conventions shared by every subsystem.
#
#   tl_add_core_library(name SOURCES ... [DEPS ...])   portable code, no <windows.h>
#   tl_deliverable(target [NAME file-name])            put a program or library into the installation folder
#   tl_install_data(SOURCE file DEST relative-path)    copy a data file into the installation folder
#   tl_host_tool(var name)                             path of a host tool, also in the cross build
#
# Includes are written from the repository root: #include "engine/core/ramp_table.h".

include_directories(${CMAKE_SOURCE_DIR})

if(CMAKE_CROSSCOMPILING AND WIN32)
  set(TL_WIN32 ON)
  set(TL_NATIVE OFF)
  enable_language(RC)  # resource scripts (.rc) through windres
  # Windows-side tests run under Wine on the virtual X server, in a prefix inside the build tree.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/scripts/wine-run --arch ${TL_WINE_ARCH} --state ${CMAKE_BINARY_DIR}/bench)
else()
  set(TL_WIN32 OFF)
  set(TL_NATIVE ON)
endif()

# The installation folder, laid out as the suite installs it.
set(TL_INSTALL_DIR ${CMAKE_BINARY_DIR}/TavoLumara CACHE INTERNAL "")
file(MAKE_DIRECTORY ${TL_INSTALL_DIR})

set(TL_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)

# Warnings as errors in our own code (third-party code is built with its own flags).
function(tl_own_code target)
  target_compile_options(${target} PRIVATE ${TL_WARNINGS})
endfunction()

function(tl_sanitize target)
  if(TL_NATIVE AND TL_SANITIZE AND NOT TL_HOST_TOOLS_ONLY)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# A portable core library. Natively it is built twice when benchmarks are on: sanitized for the
# unit tests and tools, and plain optimised as <name>_bench for the benchmarks.
function(tl_add_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tl_own_code(${name})
  tl_sanitize(${name})
  if(TL_NATIVE AND TL_BENCHMARKS AND NOT TL_HOST_TOOLS_ONLY)
    add_library(${name}_bench STATIC ${ARG_SOURCES})
    set(bench_deps)
    foreach(dep ${ARG_DEPS})
      if(TARGET ${dep}_bench)
        list(APPEND bench_deps ${dep}_bench)
      else()
        list(APPEND bench_deps ${dep})
      endif()
    endforeach()
    target_link_libraries(${name}_bench PUBLIC ${bench_deps})
    target_compile_options(${name}_bench PRIVATE -O2 ${TL_WARNINGS})
  endif()
endfunction()

# Puts a deliverable into the installation folder under its shipped file name
# (e.g. NAME Tintor.dll, NAME eLumara.ax). DLLs get no "lib" prefix.
function(tl_deliverable target)
  cmake_parse_arguments(ARG "" "NAME" "" ${ARGN})
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${TL_INSTALL_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${TL_INSTALL_DIR}
    PREFIX "")
  if(ARG_NAME)
    get_filename_component(base ${ARG_NAME} NAME_WLE)
    get_filename_component(ext ${ARG_NAME} LAST_EXT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${base} SUFFIX ${ext})
  endif()
  # No import library files in the installation folder.
  if(TL_WIN32)
    set_target_properties(${target} PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/implib)
  endif()
  tl_own_code(${target})
endfunction()

# Copies a data file into the installation folder as part of the build.
function(tl_install_data)
  cmake_parse_arguments(ARG "" "SOURCE;DEST" "" ${ARGN})
  set(out ${TL_INSTALL_DIR}/${ARG_DEST})
  string(MAKE_C_IDENTIFIER "data_${ARG_DEST}" tgt)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ARG_SOURCE} ${out}
    DEPENDS ${ARG_SOURCE} VERBATIM)
  add_custom_target(${tgt} ALL DEPENDS ${out})
endfunction()

# Host tools: in the native build they are ordinary targets; the cross build configures this
# same source tree for the host (TL_HOST_TOOLS_ONLY) once and uses the tools from there.
if(TL_WIN32)
  include(ExternalProject)
  set(TL_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${TL_HOST_TOOLS_DIR}
    CMAKE_ARGS -G Ninja -DTL_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
endif()

function(tl_host_tool var name)
  if(TL_WIN32)
    set(${var} ${TL_HOST_TOOLS_DIR}/bin/${name} PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${name}> PARENT_SCOPE)
  endif()
endfunction()

# Dependency target to add to custom commands that run a host tool.
function(tl_host_tool_depends var name)
  if(TL_WIN32)
    set(${var} host_tools PARENT_SCOPE)
  else()
    set(${var} ${name} PARENT_SCOPE)
  endif()
endfunction()

# On 32-bit Windows the linker's import library names __stdcall exports undecorated, which
# callers that link the DLL directly cannot bind; dlltool makes one from a .def that lists the
# decorated names (Name@bytes) and maps them to the plain exports. Nothing to do on 64-bit.
function(tl_stdcall_import_library target def_file)
  if(NOT (TL_WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4))
    return()
  endif()
  find_program(TL_DLLTOOL ${TL_MINGW_TRIPLET}-dlltool REQUIRED)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TL_DLLTOOL} -k -d ${def_file} -D $<TARGET_FILE_NAME:${target}> -l $<TARGET_LINKER_FILE:${target}>
    VERBATIM)
endfunction()
