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
#   Tests labelled "gui" show real windows (scripts/test.sh runs them under Xvfb); all others run
#   with ZV_DISPLAY=headless.

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
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
  # Labels are set once the tests are discovered: GoogleTest's discovery script would split a list
  # of labels given as a test property into separate arguments.
  # Only gui tests show real windows; the others stay on the headless display under any desktop.
  # Loopback servers of the tests are reached without a proxy of the environment. Set here, before
  # the test starts: a variable added while another thread reads the environment can crash it.
  set(environment "no_proxy=127.0.0.1,localhost")
  if(NOT "gui" IN_LIST ARG_LABELS)
    string(APPEND environment ";ZV_DISPLAY=headless")
  endif()
  set(label_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake")
  file(WRITE "${label_file}"
    "if(${target}_TESTS)\n"
    "  set_tests_properties(\${${target}_TESTS} PROPERTIES LABELS \"${ARG_LABELS}\" ENVIRONMENT \"${environment}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${label_file}")
endfunction()
