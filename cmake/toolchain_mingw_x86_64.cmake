# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads flavour).
# Usage: cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain_mingw_x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DEMO_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${DEMO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEMO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DEMO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DEMO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file per program: the C++ runtime, libgcc, winpthread and zlib are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The tests run the programs under Wine where it is installed.
find_program(DEMO_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DEMO_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DEMO_WINE64})
endif()
