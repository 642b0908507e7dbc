# Cross build for 64-bit Windows with Debian's MinGW-w64.
# Usage: cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain_mingw_x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DEMO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain_mingw_common.cmake)

# The tests run the programs under Wine where it is installed.
find_program(DEMO_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DEMO_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DEMO_WINE64})
endif()
