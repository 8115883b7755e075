# One test program per tests/**/NAME_test.cpp file, so that a test file
# that does not build yet never blocks the others.  Files named
# *_slow_test.cpp get the label "slow" instead of their area's; the sanitizer
# runs leave them out.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  if(EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gtest ALIAS gtest)
  else()
    message(FATAL_ERROR "GoogleTest not found: install libgtest-dev")
  endif()
endif()
include(GoogleTest)

# The shared test helpers (clocks, child processes, files) are compiled once
# for all test programs.
add_library(quin_test_support STATIC ${CMAKE_CURRENT_SOURCE_DIR}/tests/test_support.cpp)
target_include_directories(quin_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(quin_test_support PUBLIC quin_uci quin_engine quin_platform GTest::gtest)
# Every test program is compiled with the same definitions as the helpers,
# so that all of them share the helpers' precompiled GoogleTest and
# standard headers (most of a test file's build time is spent on those).
set(QUIN_TEST_DEFINITIONS QUINTAR_BIN="$<TARGET_FILE:quintar>" QUIN_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
if(TARGET quintar-amiga-standin)
  list(APPEND QUIN_TEST_DEFINITIONS QUINTAR_AMIGA_BIN="$<TARGET_FILE:quintar-amiga-standin>")
endif()
target_compile_definitions(quin_test_support PRIVATE ${QUIN_TEST_DEFINITIONS})
target_precompile_headers(quin_test_support PRIVATE <gtest/gtest.h> <string> <vector> <thread>
                          <chrono> <cstdio> <cstring>)
# Under ASan+UBSan the engine is instrumented and the tests drive it; the
# test code itself is not, which halves that build (the runtime still checks
# every heap block the tests hand to the engine).
set(QUIN_TEST_FLAGS ${QUIN_WARNINGS})
if(QUIN_ASAN)
  list(APPEND QUIN_TEST_FLAGS -fno-sanitize=all)
endif()
target_compile_options(quin_test_support PRIVATE ${QUIN_TEST_FLAGS})

file(GLOB_RECURSE QUIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
foreach(src ${QUIN_TEST_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  get_filename_component(dir ${src} DIRECTORY)
  get_filename_component(area ${dir} NAME)
  set(target ${area}_${name})
  add_executable(${target} ${src})
  target_compile_options(${target} PRIVATE ${QUIN_TEST_FLAGS})
  target_link_libraries(${target} PRIVATE quin_test_support quin_uci quin_engine quin_platform GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE ${QUIN_TEST_DEFINITIONS})
  target_precompile_headers(${target} REUSE_FROM quin_test_support)
  if(TARGET quintar-amiga-standin)
    add_dependencies(${target} quintar-amiga-standin)
  endif()
  add_dependencies(${target} quintar)
  # One label per test: its area, or "slow" for the long-running files.
  # Slow tests measure wall-clock times, so they run alone.
  set(label ${area})
  set(serial FALSE)
  if(name MATCHES "_slow_test$")
    set(label slow)
    set(serial TRUE)
  endif()
  gtest_discover_tests(${target} PROPERTIES LABELS ${label} RUN_SERIAL ${serial} TIMEOUT 600
                       DISCOVERY_TIMEOUT 60)
endforeach()

# The perft suite at depth 3: the program's --perft count of every position
# in bench/perft_suite.epd against stockfish's stored count.
add_test(NAME PerftSuite.Depth3 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/bench/perft_suite --depth 3)
set_tests_properties(PerftSuite.Depth3 PROPERTIES LABELS perft TIMEOUT 600
                     ENVIRONMENT QUINTAR=$<TARGET_FILE:quintar>)
