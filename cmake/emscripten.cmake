# WebAssembly build with Debian's emscripten package (emcc 3.1.6): the page
# build quintar-web and the node builds of the same sources (cmake/web.cmake).
# Use as -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake, or through emcmake.
find_program(QUIN_EMCC emcc REQUIRED)
get_filename_component(QUIN_EMSCRIPTEN_ROOT ${QUIN_EMCC} REALPATH)
get_filename_component(QUIN_EMSCRIPTEN_ROOT ${QUIN_EMSCRIPTEN_ROOT} DIRECTORY)
include(${QUIN_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

# emcc's JavaScript optimiser needs Debian's acorn module, which a node that
# is not Debian's own build does not find by itself.
set(QUIN_NODE_MODULES /usr/share/nodejs)
if(EXISTS ${QUIN_NODE_MODULES}/acorn)
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${QUIN_NODE_MODULES})
endif()
