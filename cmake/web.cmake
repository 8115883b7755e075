# The WebAssembly programs (cmake/emscripten.cmake), from the same sources and
# libraries as the Linux program, its POSIX bindings supplied by emscripten
# (pthreads, the monotonic clock, standard output):
#   quintar-web   the UCI session for the page.  Its main() runs on a pthread
#                 of its own inside the Web Worker platform/web/quintar_worker.js
#                 (copied beside it), which hands the page's lines to the
#                 session's input queue (platform/web/input_web.cpp) and
#                 posts back every line the engine prints.  The search runs on
#                 a further pthread, as in the Linux program.
#   quintar-node  the command-line program under node (perft, bench, eval and
#                 the rest of the dispatch; UCI on standard input), to hold its
#                 answers against the Linux program's.
#   search_bench  the fixed search suite of bench/ under node.
# Each is a .js loader with its .wasm module and a .worker.js for the
# pthreads.  Shared memory has a fixed size: the engine's tables, the
# evaluation cache and two 16 MB stacks (the program's, and the search
# thread's that the POSIX binding asks for).
set(QUIN_WASM_LINK_OPTIONS -sTOTAL_STACK=16MB -sINITIAL_MEMORY=96MB -sPTHREAD_POOL_SIZE=2)
# In node: the module's bytes handed over directly (platform/web/node_pre.js),
# and the process ends with main's status.
set(QUIN_NODE_LINK_OPTIONS -sENVIRONMENT=node -sEXIT_RUNTIME=1
  "SHELL:--pre-js ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/node_pre.js")

add_executable(quintar-web frontend/quintar.cpp platform/web/input_web.cpp)
target_compile_options(quintar-web PRIVATE ${QUIN_WARNINGS})
target_link_libraries(quintar-web PRIVATE quin_uci quin_engine quin_platform)
target_link_options(quintar-web PRIVATE ${QUIN_WASM_LINK_OPTIONS} -sENVIRONMENT=worker
  -sPROXY_TO_PTHREAD -sEXIT_RUNTIME=1
  -sEXPORTED_FUNCTIONS=_main,_malloc,_free,_quintar_web_input,_quintar_web_input_end
  -sEXPORTED_RUNTIME_METHODS=stringToUTF8,lengthBytesUTF8)
add_custom_command(TARGET quintar-web POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/quintar_worker.js $<TARGET_FILE_DIR:quintar-web>
  VERBATIM)

add_executable(quintar-node frontend/quintar.cpp platform/console_input.cpp)
target_compile_options(quintar-node PRIVATE ${QUIN_WARNINGS})
target_link_libraries(quintar-node PRIVATE quin_uci quin_engine quin_platform)
target_link_options(quintar-node PRIVATE ${QUIN_WASM_LINK_OPTIONS} ${QUIN_NODE_LINK_OPTIONS})

add_executable(search_bench bench/search_bench.cpp)
target_compile_options(search_bench PRIVATE ${QUIN_WARNINGS})
target_link_libraries(search_bench PRIVATE quin_engine quin_platform)
target_link_options(search_bench PRIVATE ${QUIN_WASM_LINK_OPTIONS} ${QUIN_NODE_LINK_OPTIONS})
set_property(TARGET quintar-node search_bench APPEND PROPERTY LINK_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/node_pre.js)
