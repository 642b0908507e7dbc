# The folders of platform/ and the systems they are built for. A source is picked for a system by
# the folder it lives in, never by its name. Every file of platform/ must lie in one of these
# folders: a file anywhere else (platform/ itself included) stops the configuration, so that a new
# file is placed on purpose and cannot silently enter another system's build.
#
#   core/             every system: clock; the frame client, surface, audio backend and live
#                     system interfaces
#   device/           every system: the render device core (every device rule)
#   gl/               every system: the window and frame loop, the device's OpenGL declaration, the
#                     overlay
#   gl/desktop/       Linux and Windows: the render device's OpenGL 1.1 backend
#   null/             every system: the backends that draw and play nothing
#   audio/            every system: the sound calls (FSOUND_*)
#   recorder/         every system: the recorder interface
#   posix/            Linux: SDL2 window, audio and boxes, EGL and headless GL, std clock
#   audio/posix/      Linux: the music decoder for waveforms (libav)
#   recorder/posix/   Linux: the recorder on libav
#   win32/            Windows: Win32 window, WGL, wave-out audio, boxes, clock
#   recorder/win32/   Windows: the recorder on Video for Windows
#   web/              the browser (Emscripten): the page's canvas and WebGL 1 (the render device's
#                     backend, the window's few OpenGL 1.1 calls), Web Audio, the page's clock and
#                     status line, no recorder
set(DEMO_PLATFORM_FOLDERS_COMMON core device gl null audio recorder)
set(DEMO_PLATFORM_FOLDERS_posix gl/desktop posix audio/posix recorder/posix)
set(DEMO_PLATFORM_FOLDERS_win32 gl/desktop win32 recorder/win32)
set(DEMO_PLATFORM_FOLDERS_web web)

# Sets out to the platform/ folders built for system (posix, win32 or web), as paths from the source
# root, after checking that every file of platform/ lies in a known folder.
function(demo_platform_folders out system)
  set(known ${DEMO_PLATFORM_FOLDERS_COMMON} ${DEMO_PLATFORM_FOLDERS_posix} ${DEMO_PLATFORM_FOLDERS_win32}
    ${DEMO_PLATFORM_FOLDERS_web})
  file(GLOB_RECURSE files RELATIVE ${CMAKE_SOURCE_DIR}/platform CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*)
  set(misplaced)
  foreach(file ${files})
    get_filename_component(folder ${file} DIRECTORY)
    if(NOT folder IN_LIST known)
      list(APPEND misplaced platform/${file})
    endif()
  endforeach()
  if(misplaced)
    list(JOIN misplaced "\n  " text)
    list(JOIN known ", " places)
    message(FATAL_ERROR "platform files outside the platform folders:\n  ${text}\n"
      "Place each in the folder of its concern (${places}); see cmake/platform_folders.cmake.")
  endif()
  set(folders)
  foreach(folder ${DEMO_PLATFORM_FOLDERS_COMMON} ${DEMO_PLATFORM_FOLDERS_${system}})
    list(APPEND folders platform/${folder})
  endforeach()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()
