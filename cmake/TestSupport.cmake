# Unit tests natively and Windows-side tests under Wine, both GoogleTest.
#
#   tl_add_native_test(name SOURCES ... LIBS ...)      host, sanitized
#   tl_add_wine_test(name SOURCES ... LIBS ... [DEPENDS targets] [LOCKS resources] [XVFB])
#       a Windows GoogleTest executable that ctest runs under Wine through the emulator;
#       LOCKS names shared resources ("display_ramp", "registry") that tests must not use at once;
#       XVFB runs it on a bench of its own whose X server (Xvfb) has no gamma ramps.
#   tl_add_benchmark(name SOURCES ... LIBS ...)        host, Google Benchmark, never run by ctest

if(TL_HOST_TOOLS_ONLY)
  # Only the tools are built: every test function below does nothing.
elseif(TL_NATIVE)
  find_package(GTest REQUIRED)
  if(TL_BENCHMARKS)
    find_package(benchmark REQUIRED)
  endif()
else()
  # Debian ships the GoogleTest sources; the same version is built for Windows here.
  set(TL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${TL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own build defines the GTest:: aliases.
endif()

set(TL_TEST_OUTPUT_DIR ${CMAKE_BINARY_DIR}/tests)
if(NOT TL_HOST_TOOLS_ONLY)
  file(MAKE_DIRECTORY ${TL_TEST_OUTPUT_DIR} ${CMAKE_BINARY_DIR}/test-artifacts)
endif()

function(tl_add_native_test name)
  if(TL_HOST_TOOLS_ONLY OR NOT TL_NATIVE)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  tl_own_code(${name})
  tl_sanitize(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TL_TEST_OUTPUT_DIR})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${TL_TEST_OUTPUT_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TL_SOURCE_DIR=${CMAKE_SOURCE_DIR};TL_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/test-artifacts;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

function(tl_add_wine_test name)
  if(TL_HOST_TOOLS_ONLY OR NOT TL_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "XVFB" "" "SOURCES;LIBS;DEPENDS;LOCKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tl_wine_testing GTest::gtest_main GTest::gmock)
  tl_own_code(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TL_TEST_OUTPUT_DIR})
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(ARG_XVFB)
    add_test(NAME ${name}
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --xvfb --arch ${TL_WINE_ARCH} --state ${CMAKE_BINARY_DIR}/bench-xvfb
              $<TARGET_FILE:${name}>
      WORKING_DIRECTORY ${TL_TEST_OUTPUT_DIR})
    list(APPEND ARG_LOCKS xvfb_bench)
  else()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${TL_TEST_OUTPUT_DIR})
  endif()
  # Paths are handed over as Unix paths; the tests turn them into Wine's Z: drive paths.
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TL_INSTALL_DIR=${TL_INSTALL_DIR};TL_TEST_DIR=${TL_TEST_OUTPUT_DIR};TL_SOURCE_DIR=${CMAKE_SOURCE_DIR};TL_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/test-artifacts")
  if(ARG_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
  endif()
endfunction()

# A helper program that a Windows-side test starts (a second process, a stand-in COM server).
# Its entry point is wmain, so that it gets its arguments in UTF-16.
function(tl_add_wine_test_helper name)
  if(TL_HOST_TOOLS_ONLY OR NOT TL_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -municode)
  tl_own_code(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TL_TEST_OUTPUT_DIR})
endfunction()

function(tl_add_benchmark name)
  if(TL_HOST_TOOLS_ONLY OR NOT (TL_NATIVE AND TL_BENCHMARKS))
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  target_compile_options(${name} PRIVATE -O2 ${TL_WARNINGS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/benchmarks)
endfunction()
