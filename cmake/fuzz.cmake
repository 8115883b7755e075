# Every fuzz/NAME_fuzz.cpp becomes a libFuzzer program NAME_fuzz (clang only).
# The search target links a copy of the engine built with its Debug checks
# (assert) on, so that every consistency check of the search runs on the
# fuzzer's positions; the parsers' targets keep the Release engine, whose
# speed their input counts are set for.
set(QUIN_FUZZ_CHECKED search_fuzz)
add_library(quin_engine_checked STATIC ${QUIN_CORE_SOURCES} ${QUIN_RUNTIME_SOURCES}
            ${QUIN_FRONTEND_SOURCES})
target_include_directories(quin_engine_checked PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(quin_engine_checked PRIVATE ${QUIN_WARNINGS} -UNDEBUG)

file(GLOB QUIN_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(src ${QUIN_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(name IN_LIST QUIN_FUZZ_CHECKED)
    target_compile_options(${name} PRIVATE -UNDEBUG)
    target_link_libraries(${name} PRIVATE quin_engine_checked quin_platform)
  else()
    target_link_libraries(${name} PRIVATE quin_uci quin_engine quin_platform)
  endif()
endforeach()
