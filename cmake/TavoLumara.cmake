# Build conventions shared by every subsystem.
#
#   tl_add_core_library(name SOURCES ... [DEPS ...])   portable code, no <windows.h>
#   tl_deliverable(target [NAME file-name] [DESCRIPTION text] [ADMIN] [SELF_REGISTER])
#                                                      put a program or library into the installation
#                                                      folder, with the suite's version resource (and
#                                                      a manifest for programs)
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

# The suite's identity in every binary's version resource and in the installer. The one product
# version of the suite is the root project's VERSION.
set(TL_PRODUCT_NAME "TavoLumara")
set(TL_COMPANY "Norvak")
set(TL_COPYRIGHT "Copyright (C) 2026 Norvak")
set(TL_VERSION ${PROJECT_VERSION})
set(TL_VERSION_NUMBERS)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND TL_VERSION_NUMBERS 0)
  else()
    list(APPEND TL_VERSION_NUMBERS ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN TL_VERSION_NUMBERS "." TL_VERSION_DOTTED)   # 1.0.0.0
list(JOIN TL_VERSION_NUMBERS "," TL_VERSION_COMMAS)   # 1,0,0,0
set(TL_TEMPLATE_DIR ${CMAKE_CURRENT_LIST_DIR}/templates)

# Puts a deliverable into the installation folder under its shipped file name
# (e.g. NAME Tintor.dll, NAME eLumara.ax). DLLs get no "lib" prefix.
# Every deliverable carries the suite's version resource (DESCRIPTION names it in the file's
# properties); every program also carries an application manifest: common controls 6, drawn
# unscaled by the program (its skins are bitmaps of fixed pixel sizes, which the system scales
# as a whole), and asInvoker, or requireAdministrator with ADMIN. SELF_REGISTER marks a COM
# server's version resource with "OLESelfRegister".
function(tl_deliverable target)
  cmake_parse_arguments(ARG "ADMIN;SELF_REGISTER" "NAME;DESCRIPTION" "" ${ARGN})
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
    tl_version_resource(${target} "${ARG_DESCRIPTION}" ${ARG_ADMIN} ${ARG_SELF_REGISTER})
  endif()
  tl_own_code(${target})
endfunction()

# The version resource and, for programs, the manifest of a deliverable, generated from the
# templates in cmake/templates.
function(tl_version_resource target description admin self_register)
  get_target_property(type ${target} TYPE)
  get_target_property(sources ${target} SOURCES)
  if(description STREQUAL "")
    set(description "${TL_PRODUCT_NAME} $<TARGET_FILE_BASE_NAME:${target}>")
  endif()
  # The suite's version lives in one place: a resource script of the target's own must not
  # declare another (the two would collide, or the file would carry a version of its own).
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.rc$")
      get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      if(EXISTS ${path})
        file(STRINGS ${path} own_version REGEX "VERSIONINFO|RT_MANIFEST")
        if(own_version)
          message(FATAL_ERROR "${path} declares its own version resource or manifest; remove it, "
                              "tl_deliverable gives ${target} the suite's")
        endif()
      endif()
    endif()
  endforeach()

  set(TL_FILE_DESCRIPTION "${description}")
  set(TL_EXTRA_VERSION_VALUES "")
  if(self_register)
    set(TL_EXTRA_VERSION_VALUES "      VALUE \"OLESelfRegister\", \"\"\n")
  endif()
  set(TL_FILE_TYPE VFT_DLL)
  set(TL_MANIFEST_LINE "")
  if(type STREQUAL "EXECUTABLE")
    set(TL_FILE_TYPE VFT_APP)
    if(admin)
      set(TL_EXECUTION_LEVEL requireAdministrator)
    else()
      set(TL_EXECUTION_LEVEL asInvoker)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(TL_MANIFEST_ARCH amd64)
    else()
      set(TL_MANIFEST_ARCH x86)
    endif()
    set(TL_MANIFEST_NAME "${TL_COMPANY}.${TL_PRODUCT_NAME}.${target}")
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    configure_file(${TL_TEMPLATE_DIR}/program.manifest.in ${manifest} @ONLY)
    set(TL_MANIFEST_LINE "1 24 \"${manifest}\"")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${TL_TEMPLATE_DIR}/version.rc.in ${rc}.in @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
  target_sources(${target} PRIVATE ${rc})
  if(type STREQUAL "EXECUTABLE")
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
  endif()
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
