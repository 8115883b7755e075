# Every bench/NAME_bench.cpp becomes a program NAME_bench linking the engine.
file(GLOB QUIN_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*_bench.cpp)
foreach(src ${QUIN_BENCH_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${QUIN_WARNINGS})
  target_link_libraries(${name} PRIVATE quin_engine quin_platform)
endforeach()
