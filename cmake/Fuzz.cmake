# libFuzzer targets, one per parser. They exist only in a native tree configured with clang and
# TL_FUZZ=ON (scripts/fuzz makes one in build/fuzz): every library of that tree is instrumented for
# coverage, AddressSanitizer and UndefinedBehaviorSanitizer, and any sanitizer report ends the run.
#
#   tl_add_fuzzer(name SOURCES ... [LIBS ...] [MAX_LEN bytes] [SEEDS spec...] [SEED_DEPENDS target...])
#
# A seed spec is "HEX:PATTERN": one seed per file matching the glob PATTERN, made of the bytes HEX
# followed by the file; "HEX:" alone is a seed of just those bytes; "HEX:A|B|C" is one seed of HEX
# followed by the first match of each pattern, joined by form feeds (0x0C). SEED_DEPENDS are the
# targets that make the seed files (the shipped tables, images, language files).
# scripts/fuzz reads the list of fuzzers from build/fuzz/fuzzers.tsv.

option(TL_FUZZ "Build the libFuzzer targets (clang only)" OFF)
set(TL_FUZZ_LIST ${CMAKE_BINARY_DIR}/fuzzers.tsv)

if(TL_FUZZ AND NOT TL_HOST_TOOLS_ONLY)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TL_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -gline-tables-only)
  add_link_options(-fsanitize=address,undefined)
  # Another compiler's warnings must not stop a fuzzing run; the normal builds keep -Werror.
  list(REMOVE_ITEM TL_WARNINGS -Werror)
  file(WRITE ${TL_FUZZ_LIST} "")
  add_custom_target(tl_fuzzers)
  add_custom_target(tl_fuzz_seed_data)
endif()

function(tl_add_fuzzer name)
  if(NOT TL_FUZZ OR TL_HOST_TOOLS_ONLY)
    return()
  endif()
  cmake_parse_arguments(ARG "" "MAX_LEN" "SOURCES;LIBS;SEEDS;SEED_DEPENDS" ${ARGN})
  if(NOT ARG_MAX_LEN)
    set(ARG_MAX_LEN 4096)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  tl_own_code(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(tl_fuzzers ${name})
  if(ARG_SEED_DEPENDS)
    add_dependencies(tl_fuzz_seed_data ${ARG_SEED_DEPENDS})
  endif()
  list(JOIN ARG_SEEDS " " seeds)
  file(APPEND ${TL_FUZZ_LIST} "${name}\t${ARG_MAX_LEN}\t${seeds}\n")
endfunction()

# Numeric code whose comparisons tell the fuzzer nothing about the input's structure: without
# tracing them (coverage stays) the fuzzers run several times faster.
#   tl_fuzz_untraced_comparisons(<source directory> sources...)
function(tl_fuzz_untraced_comparisons dir)
  if(TL_FUZZ AND NOT TL_HOST_TOOLS_ONLY)
    set_source_files_properties(${ARGN} DIRECTORY ${dir} PROPERTIES COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
  endif()
endfunction()
