# What both MinGW-w64 toolchain files share (posix threads flavour); each sets
# CMAKE_SYSTEM_PROCESSOR and DEMO_MINGW_TRIPLE before including this.
set(CMAKE_SYSTEM_NAME Windows)

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
