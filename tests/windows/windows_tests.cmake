# The Windows build's tests: each engine test program as one CTest test, run under the build's
# emulator (Wine for 64-bit builds) in a Wine prefix inside the build folder. A build without an
# emulator (32-bit: this machine cannot run 32-bit programs) only builds them.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_CROSSCOMPILING)
  message(STATUS "No emulator for ${CMAKE_SYSTEM_PROCESSOR} Windows programs: the tests are built, not run")
  return()
endif()
