# Every fuzz/NAME_fuzz.cpp becomes a libFuzzer program NAME_fuzz (clang only).
file(GLOB QUIN_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(src ${QUIN_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE quin_uci quin_engine quin_platform)
endforeach()
