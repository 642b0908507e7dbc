# The Windows build's tests: each engine test program as one CTest test, run under Wine (64-bit
# builds) in a Wine prefix inside the build folder, and the scripts of tests/windows/ (the players
# under Xvfb, the recorder's files read back by ffprobe, the players' resources). A build without an emulator
# (32-bit: this machine cannot run 32-bit programs) only builds the programs.
set(DEMO_SAMPLE_SHOW_DIR "" CACHE PATH "The sample show (data.pak, music.mp3, spinner.flc) made by a native build's make_show")
if(TARGET test_win32)
  target_compile_definitions(test_win32 PRIVATE DEMO_SAMPLE_SHOW_DIR="${DEMO_SAMPLE_SHOW_DIR}")
  target_link_libraries(test_win32 PRIVATE winmm msacm32)
endif()

if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_CROSSCOMPILING)
  message(STATUS "No emulator for ${CMAKE_SYSTEM_PROCESSOR} Windows programs: the tests are built, not run")
  return()
endif()

set(DEMO_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh)
set(DEMO_WINE_ENV "DEMO_WINE=${CMAKE_CROSSCOMPILING_EMULATOR};DEMO_WINEPREFIX=${CMAKE_BINARY_DIR}/wine")
# The prefix is made (or brought up to date) once, before any program runs in it.
add_test(NAME windows_wine_prefix COMMAND bash ${DEMO_WINE_RUN} wineboot)
set_tests_properties(windows_wine_prefix PROPERTIES TIMEOUT 300 LABELS windows ENVIRONMENT "${DEMO_WINE_ENV}"
  FIXTURES_SETUP wine_prefix)
foreach(program ${DEMO_WINDOWS_TEST_PROGRAMS})
  add_test(NAME ${program} COMMAND bash ${DEMO_WINE_RUN} $<TARGET_FILE:${program}>)
  set_tests_properties(${program} PROPERTIES TIMEOUT 600 LABELS windows ENVIRONMENT "${DEMO_WINE_ENV}"
    FIXTURES_REQUIRED wine_prefix)
endforeach()
if(TARGET test_win32)
  set_tests_properties(test_win32 PROPERTIES FIXTURES_SETUP win32_avi_files)
endif()

add_test(NAME windows_recorder_probe
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/recorder_probe.sh ${CMAKE_BINARY_DIR}/win32_avi)
set_tests_properties(windows_recorder_probe PROPERTIES TIMEOUT 120 LABELS windows FIXTURES_REQUIRED win32_avi_files)

# The players' manifest, icon and version information, as windres lists them.
add_test(NAME windows_program_resources
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program_resources.sh ${CMAKE_RC_COMPILER}
    $<TARGET_FILE:demoplayer> $<TARGET_FILE:demoplayer-800> $<TARGET_FILE:demoplayer-640>)
set_tests_properties(windows_program_resources PROPERTIES TIMEOUT 60 LABELS windows)

add_test(NAME windows_player_wine
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/player_wine.sh ${CMAKE_BINARY_DIR} "${DEMO_SAMPLE_SHOW_DIR}")
# Alone: its captures are taken at a time after start, and the players should have the CPU.
set_tests_properties(windows_player_wine PROPERTIES TIMEOUT 600 LABELS windows ENVIRONMENT "${DEMO_WINE_ENV}"
  FIXTURES_REQUIRED wine_prefix RUN_SERIAL ON)
