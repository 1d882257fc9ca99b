# Cross-compiles a 64-bit Windows build with mingw-w64 from Linux:
#
#   cmake -S . -B build-windows \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The posix threading flavour of the compilers is named explicitly: the win32
# flavour has no std::mutex, which GoogleTest needs. Programs are linked
# statically, so that they need no DLL beyond the system's own. When Wine is
# installed, ctest runs the tests under it.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RTETRK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RTETRK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RTETRK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RTETRK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RTETRK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(RTETRK_WINE wine)
if(RTETRK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RTETRK_WINE})
endif()
