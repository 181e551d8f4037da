# The generated artwork (assets/artwork/artwork.list, made by tools/artwork):
#
#   TL_ARTWORK_RESOURCE_DIR      build-tree folder of the icons and bitmaps that .rc files compile in
#   TL_ARTWORK_RESOURCE_FILES    those files, full paths
#   TL_ARTWORK_INSTALL_FILES     the skin bitmaps, badge and help files, full paths in the installation folder
#   tl_artwork_assets            target that makes all of them (defined by assets/artwork)
#   tl_artwork_resources(target) makes the target's .rc files find and depend on the resource files
#
# The list is read here, before the subsystems, so that their targets can name the files.
set(TL_ARTWORK_LIST ${CMAKE_SOURCE_DIR}/assets/artwork/artwork.list)
set(TL_ARTWORK_RESOURCE_DIR ${CMAKE_BINARY_DIR}/artwork/resources)
set(TL_ARTWORK_RESOURCE_FILES)
set(TL_ARTWORK_INSTALL_FILES)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TL_ARTWORK_LIST})
file(STRINGS ${TL_ARTWORK_LIST} tl_artwork_lines REGEX "^[ ]*(bmp|dds|png|ico|mock|help)[ ]")
foreach(line IN LISTS tl_artwork_lines)
  if(NOT line MATCHES "^[ ]*[a-z]+[ ]+(\"([^\"]+)\"|([^ ]+))")
    message(FATAL_ERROR "artwork.list: cannot read the output of: ${line}")
  endif()
  set(output "${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
  if(output MATCHES "^install:(.+)$")
    list(APPEND TL_ARTWORK_INSTALL_FILES "${TL_INSTALL_DIR}/${CMAKE_MATCH_1}")
  elseif(output MATCHES "^res:(.+)$")
    list(APPEND TL_ARTWORK_RESOURCE_FILES "${TL_ARTWORK_RESOURCE_DIR}/${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "artwork.list: an output is install:<path> or res:<file>: ${line}")
  endif()
endforeach()
unset(tl_artwork_lines)

function(tl_artwork_resources target)
  add_dependencies(${target} tl_artwork_assets)
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${TL_ARTWORK_RESOURCE_DIR}>)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.rc$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${TL_ARTWORK_RESOURCE_FILES})
    endif()
  endforeach()
endfunction()
