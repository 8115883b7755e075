# The same program compiled for x86-64-v3 processors (AVX2, BMI1 and BMI2,
# LZCNT, MOVBE, FMA), which the plain program starts in its own place when
# the processor has them:
#   Linux:   quintar-x86-64-v3 (platform/posix/cpu_build_posix.cpp), and
#            search_bench-x86-64-v3, the search suite of that build;
#   Windows: quintar-win-x86-64-v3.exe (platform/win32/cpu_build_win32.cpp),
#            without the AVX instructions: GCC for Windows may keep 32-byte
#            vectors in stack slots that the Windows stack aligns to 16
#            bytes only, so the Windows build keeps to 16-byte vectors and
#            takes the bit instructions (POPCNT, BMI, LZCNT) alone.
# Floating-point contraction is off, so that no multiply and add of the
# evaluation's doubles is fused and every result is the plain program's.
# Building the plain program builds it too; it stands beside it in the build
# tree, in /usr/lib/quintar in the Debian package and beside
# quintar-win.exe in the Windows archive.  Left out of the portable,
# sanitizer and fuzz builds, whose point is the plain code, and of the other
# cross builds (PowerPC, aarch64).
option(QUIN_CPU_BUILD "Also build the x86-64-v3 program, which the plain one starts on processors that have its instructions" ON)
if(WIN32)
  set(QUIN_CPU_PLAIN quintar-win)
  set(QUIN_CPU_PROGRAMS quintar-win)
  set(QUIN_CPU_FLAGS -march=x86-64-v3 -mno-avx -ffp-contract=off)
else()
  set(QUIN_CPU_PLAIN quintar)
  set(QUIN_CPU_PROGRAMS quintar search_bench)
  set(QUIN_CPU_FLAGS -march=x86-64-v3 -ffp-contract=off)
endif()
# The MinGW build is a cross build too; the PowerPC and aarch64 ones are not
# x86-64.
if(QUIN_CPU_BUILD AND (WIN32 OR NOT CMAKE_CROSSCOMPILING) AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$"
   AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT QUIN_PORTABLE AND NOT (QUIN_ASAN OR QUIN_TSAN OR QUIN_FUZZ))
  add_library(quin_engine_v3 STATIC ${QUIN_CORE_SOURCES} ${QUIN_RUNTIME_SOURCES} ${QUIN_FRONTEND_SOURCES}
    ${QUIN_UCI_SOURCES} ${QUIN_PLATFORM_SOURCES})
  target_include_directories(quin_engine_v3 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(quin_engine_v3 PUBLIC ${QUIN_CPU_FLAGS} PRIVATE ${QUIN_WARNINGS})
  target_link_libraries(quin_engine_v3 PUBLIC Threads::Threads)
  foreach(program ${QUIN_CPU_PROGRAMS})
    if(program STREQUAL "search_bench")
      add_executable(${program}-x86-64-v3 bench/${program}.cpp)
    else()
      add_executable(${program}-x86-64-v3 frontend/quintar.cpp)
    endif()
    target_compile_options(${program}-x86-64-v3 PRIVATE ${QUIN_WARNINGS})
    target_link_libraries(${program}-x86-64-v3 PRIVATE quin_engine_v3)
  endforeach()
  if(WIN32)  # linked as quintar-win is
    target_link_options(quintar-win-x86-64-v3 PRIVATE -static -mwindows)
  endif()
  add_dependencies(${QUIN_CPU_PLAIN} ${QUIN_CPU_PLAIN}-x86-64-v3)
  install(TARGETS ${QUIN_CPU_PLAIN}-x86-64-v3 RUNTIME DESTINATION bin)
  # Only the plain program looks for it.
  target_compile_definitions(quin_platform
    PRIVATE QUIN_CPU_BUILD_NAME="${QUIN_CPU_PLAIN}-x86-64-v3${CMAKE_EXECUTABLE_SUFFIX}")
endif()
