# t2_add_test(NAME <name> SOURCES <files...> LIBS <targets...>
#             [KIND core|widgets|gl|process] [TIMEOUT <seconds>])
#
# One CTest test per executable. KIND says what the test needs:
#   core     plain C++, no Qt window (default)
#   widgets  Qt widgets on the offscreen platform
#   gl       a real X display with OpenGL (the test command runs CTest under Xvfb)
#   process  starts the real program; needs the X display as well
#
# A test program in which a case was skipped (GTEST_SKIP: a tool, a display or
# a file it needs is missing) and none failed ends with status 77 and shows as
# "Skipped" in CTest, never as passed; tools/test.sh fails on it in CI.
find_package(GTest REQUIRED)

set(T2_TEST_SKIPPED_STATUS 77)
add_library(t2_test_skip_status OBJECT ${PROJECT_SOURCE_DIR}/tests/support/skip_exit_status.cpp)
target_link_libraries(t2_test_skip_status PRIVATE GTest::gtest)

function(t2_add_test)
  cmake_parse_arguments(T "" "NAME;KIND;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_KIND)
    set(T_KIND core)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} t2_test_skip_status GTest::gtest
                                           GTest::gtest_main GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set(env "T2_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "T2_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_KIND STREQUAL "widgets")
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  elseif(T_KIND STREQUAL "gl" OR T_KIND STREQUAL "process")
    list(APPEND env "QT_QPA_PLATFORM=xcb")
  endif()
  if(NOT T_KIND STREQUAL "core")
    # Mesa, fontconfig and the X libraries keep process-lifetime allocations
    # that LeakSanitizer reports; leaks of our own code are caught by the
    # core tests, which run with leak detection on.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT}
                       LABELS ${T_KIND} SKIP_RETURN_CODE ${T2_TEST_SKIPPED_STATUS})
  if(T_KIND STREQUAL "gl" OR T_KIND STREQUAL "process")
    # One X display for the whole suite: windows of two tests must not steal
    # each other's focus or keys.
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK x_display)
  endif()
endfunction()
