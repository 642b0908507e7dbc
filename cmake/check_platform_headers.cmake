# Fails when a file outside platform/ includes a header of the platform's system libraries (SDL,
# EGL, GL, libav, libswscale) or of the OS (Windows, X11, POSIX): the compiler finds those
# anywhere, so the layers alone cannot keep them inside platform/.
# Run as: cmake -DSOURCE_DIR=<source tree> -P check_platform_headers.cmake
set(offending)
foreach(folder app data math scene mesh fx world)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*<(SDL|EGL|GL/|libav|libsw|windows|X11/|sys/|unistd)")
    foreach(line ${lines})
      file(RELATIVE_PATH relative ${SOURCE_DIR} ${file})
      list(APPEND offending "${relative}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(offending)
  list(JOIN offending "\n  " text)
  message(FATAL_ERROR "platform headers outside platform/:\n  ${text}")
endif()
