# zv_add_resources(<target> <folder> [DEPENDS <files>...])
#   Compiles <folder>/resources.rc (string tables, menus, dialog templates, and the files it names:
#   icons, cursors, bitmaps, sounds, HTML, ...) with the resource compiler zvrc and embeds the set
#   into <target>, a program or shared library. The module finds its own set at run time through
#   FindResourceA(its handle, ...). A bad script fails the build with the file and line.
#   Every file under <folder> is a dependency; DEPENDS adds files from elsewhere (built files).

add_subdirectory("${PROJECT_SOURCE_DIR}/tools/zvrc" "${PROJECT_BINARY_DIR}/tools/zvrc")

function(zv_add_resources target folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE" AND NOT type STREQUAL "SHARED_LIBRARY" AND NOT type STREQUAL "MODULE_LIBRARY")
    message(FATAL_ERROR "zv_add_resources: ${target} is a ${type}; resources belong to a program or shared library")
  endif()
  if(NOT EXISTS "${folder}/resources.rc")
    message(FATAL_ERROR "zv_add_resources: ${folder}/resources.rc not found")
  endif()
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS "${folder}/*")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND zvrc "${folder}/resources.rc" "${output}"
    DEPENDS zvrc ${inputs} ${ARG_DEPENDS}
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
  if(type STREQUAL "EXECUTABLE")
    # A program's own symbols are not visible to dlsym unless exported.
    target_link_options(${target} PRIVATE "LINKER:--export-dynamic-symbol=zv_resource_set")
  endif()
endfunction()
