# quintar-x86-64-v3: the same program compiled for x86-64-v3 processors
# (AVX2, BMI1 and BMI2, LZCNT, MOVBE, FMA), which quintar starts in its own
# place when the processor has them (platform/posix/cpu_build_posix.cpp),
# and search_bench-x86-64-v3, the search suite of that build.
# Floating-point contraction is off, so that no multiply and add of the
# evaluation's doubles is fused and every result is the plain program's.
# Building quintar builds it too; it stands beside quintar in the build tree
# and in /usr/lib/quintar in the package.  Left out of the portable,
# sanitizer and fuzz builds, whose point is the plain code.
option(QUIN_CPU_BUILD "Also build quintar-x86-64-v3, which quintar starts on processors that have its instructions" ON)
if(QUIN_CPU_BUILD AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT CMAKE_CROSSCOMPILING AND NOT QUIN_PORTABLE AND NOT (QUIN_ASAN OR QUIN_TSAN OR QUIN_FUZZ))
  add_library(quin_engine_v3 STATIC ${QUIN_CORE_SOURCES} ${QUIN_RUNTIME_SOURCES} ${QUIN_FRONTEND_SOURCES}
    ${QUIN_UCI_SOURCES} ${QUIN_PLATFORM_SOURCES})
  target_include_directories(quin_engine_v3 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(quin_engine_v3 PUBLIC -march=x86-64-v3 -ffp-contract=off PRIVATE ${QUIN_WARNINGS})
  target_link_libraries(quin_engine_v3 PUBLIC Threads::Threads)
  foreach(program quintar search_bench)
    if(program STREQUAL "quintar")
      add_executable(${program}-x86-64-v3 frontend/quintar.cpp)
    else()
      add_executable(${program}-x86-64-v3 bench/${program}.cpp)
    endif()
    target_compile_options(${program}-x86-64-v3 PRIVATE ${QUIN_WARNINGS})
    target_link_libraries(${program}-x86-64-v3 PRIVATE quin_engine_v3)
  endforeach()
  add_dependencies(quintar quintar-x86-64-v3)
  install(TARGETS quintar-x86-64-v3 RUNTIME DESTINATION bin)
  # Only the plain program looks for it.
  target_compile_definitions(quin_platform PRIVATE QUIN_CPU_BUILD_NAME="quintar-x86-64-v3")
endif()
