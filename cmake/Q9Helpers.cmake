# Shared settings for the project's own targets.

# Warnings on everything we write; third-party headers come in as system
# includes and stay quiet. Whether a warning stops the build is the
# builder's choice: the dev and ci presets set CMAKE_COMPILE_WARNING_AS_ERROR,
# a plain build does not.
function(q9_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # GCC 12 at -O3 takes the string concatenation "x" + std::string(...) for
  # an overlapping copy (GCC bug 105651, fixed in GCC 13) and says so in
  # every Release build; the warning is off for those compilers only.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# Gives target the include root of the folder that holds source: a folder
# of the build tree in which only that folder of src/ appears, under its own
# path ("platform/signlib/..."). A target sees its own root and the roots of
# the targets it links, nothing else, so including a header of a target it
# does not link fails to build. Sources outside src/ (fuzz, bench) have none.
function(q9_own_headers target visibility source)
  get_filename_component(file "${source}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(folder "${file}" DIRECTORY)
  file(RELATIVE_PATH below "${PROJECT_SOURCE_DIR}/src" "${folder}")
  if(below MATCHES "^\\.\\.")
    return()
  endif()
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  get_filename_component(parent "${root}/${below}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  file(CREATE_LINK "${folder}" "${root}/${below}" SYMBOLIC)
  target_include_directories(${target} ${visibility} "${root}")
endfunction()

# q9_library(NAME SOURCES ... [PUBLIC libs...] [PRIVATE libs...]): one layer
# (or a test helper of one), in the folder of its first source.
function(q9_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  list(GET ARG_SOURCES 0 first)
  q9_own_headers(${name} PUBLIC "${first}")
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  q9_target_defaults(${name})
  set_property(GLOBAL APPEND PROPERTY Q9_LAYER_TARGETS ${name})
endfunction()

# q9_executable(NAME SOURCES ... LIBS ...): a program; main() only forwards
# its arguments to its library.
function(q9_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  list(GET ARG_SOURCES 0 first)
  q9_own_headers(${name} PRIVATE "${first}")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  q9_target_defaults(${name})
  set_property(GLOBAL APPEND PROPERTY Q9_LAYER_TARGETS ${name})
endfunction()

# q9_test(NAME SOURCES ... LIBS ...): one GoogleTest program, registered with
# CTest test by test so that `ctest -j` spreads them over the cores. Besides
# its libraries it sees the test helpers of its own folder.
function(q9_test name)
  if(NOT Q9_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  list(GET ARG_SOURCES 0 first)
  q9_own_headers(${name} PRIVATE "${first}")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE Q9_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/testdata")
  q9_target_defaults(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# q9_qt_test(NAME SOURCES ... LIBS ...): one Qt Test program of the window,
# run offscreen as one CTest test.
function(q9_qt_test name)
  if(NOT Q9_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE Q9_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/testdata")
  q9_target_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
