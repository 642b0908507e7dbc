# Cross build for 32-bit Windows with Debian's MinGW-w64.
# Usage: cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain_mingw_i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DEMO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain_mingw_common.cmake)
# SSE2 arithmetic instead of the x87 unit's 80-bit registers: the 32-bit programs compute the
# show's physics, soft bodies and effects as the 64-bit ones do (every x86 processor of the last
# twenty years has SSE2).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
