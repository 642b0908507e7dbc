# Cross build for 32-bit Windows with Debian's MinGW-w64.
# Usage: cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain_mingw_i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DEMO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain_mingw_common.cmake)
