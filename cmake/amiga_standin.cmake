# The AmigaOS front end built for Linux on the stand-in layer of
# platform/amiga/standin: the same entry, requester and timer-device clock
# as the AmigaOS program, with the system services supplied by the stand-in.
# Its include directory holds headers named as the AmigaOS 4 SDK's
# (proto/exec.h, devices/timer.h, ...), so the front end's sources are the
# ones a native build compiles.
# It links the engine library but not the UCI session, and its own clock and
# file creation in place of the POSIX ones.
file(GLOB QUIN_AMIGA_STANDIN_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_SOURCE_DIR}/platform/amiga/standin/*.cpp)
add_library(quin_amiga_standin STATIC ${QUIN_AMIGA_STANDIN_SOURCES})
target_compile_definitions(quin_amiga_standin PUBLIC QUIN_AMIGA_STANDIN=1)
target_include_directories(quin_amiga_standin PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/amiga/standin/include)
target_compile_options(quin_amiga_standin PRIVATE ${QUIN_WARNINGS})

add_executable(quintar-amiga-standin
  frontend/amiga_main.cpp
  platform/amiga/requester_amiga.cpp
  platform/amiga/clock_amiga.cpp
  platform/amiga/file_amiga.cpp)
target_compile_options(quintar-amiga-standin PRIVATE ${QUIN_WARNINGS})
target_link_libraries(quintar-amiga-standin PRIVATE quin_engine quin_amiga_standin)
