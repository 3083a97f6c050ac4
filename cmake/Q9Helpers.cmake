# Shared settings for the project's own targets.

# Warnings as errors on everything we write; third-party headers come in as
# system includes and stay quiet.
function(q9_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# q9_library(NAME SOURCES ... [PUBLIC libs...] [PRIVATE libs...])
function(q9_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  q9_target_defaults(${name})
endfunction()

# q9_test(NAME SOURCES ... LIBS ...): one GoogleTest program, registered with
# CTest test by test so that `ctest -j` spreads them over the cores.
function(q9_test name)
  if(NOT Q9_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
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
