# Helpers shared by the module folders.
#
# zv_add_module(<target> [SHARED] [DEPENDS <targets>...])
#   Builds every .cpp of the calling folder (not of its tests/) into one library. Headers are
#   reached from the source root: #include "imagelib/PixImage.h".
#
# zv_add_tests(<target> [LABELS <label>...] [DEPENDS <targets>...] [SOURCES <files>...])
#   Builds the *_test.cpp files of the calling folder (or the given sources) into one GoogleTest
#   program and registers each test case with CTest under the labels (default: unit).
#   Tests that exercise threads carry the label "concurrency" as well: the tsan preset runs those.

function(zv_add_module target)
  cmake_parse_arguments(ARG "SHARED" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(NOT sources)
    # Headers only, so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}")
    if(ARG_DEPENDS)
      target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
    endif()
    return()
  endif()
  if(ARG_SHARED)
    add_library(${target} SHARED ${sources})
  else()
    add_library(${target} STATIC ${sources})
  endif()
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  if(ARG_DEPENDS)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  endif()
endfunction()

function(zv_add_tests target)
  if(NOT ZV_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LABELS;DEPENDS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  endif()
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  # The label list goes through a command line and three list expansions before it reaches
  # set_tests_properties; each takes one level of escaping off its separators (2^3 backslashes),
  # else only the first label survives.
  string(REPEAT "\\" 8 escape)
  string(REPLACE ";" "${escape};" labels "${ARG_LABELS}")
  gtest_discover_tests(${target}
    PROPERTIES LABELS "${labels}"
    DISCOVERY_TIMEOUT 60)
endfunction()
