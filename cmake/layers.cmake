# demo_layer(NAME FOLDERS f... [SOURCE_FOLDERS s...] [BELOW lower] [EXCLUDE regex] [WHOLE]): a static
# library of the .cpp files of the given folders (or, where SOURCE_FOLDERS is given, of exactly
# those folders of the source tree, each taken alone, not with its subfolders), linked publicly
# to the layer below it. The layers above link a WHOLE layer whole, so that objects nothing
# calls (registrations made before main) are in every program. Its include root (under the build
# folder) holds links to its own folders and to those of the layers below, and nothing else, so
# that an include of a higher layer's header fails to compile ("No such file or directory").
# Programs see what the layer they link sees; tools, tests and benchmarks add the source tree.

# CMake knows no whole-archive link for Emscripten's platform; its linker (wasm-ld) takes GNU ld's
# options.
if(EMSCRIPTEN AND NOT CMAKE_CXX_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED)
  set(CMAKE_CXX_LINK_LIBRARY_USING_WHOLE_ARCHIVE "LINKER:--whole-archive" "<LINK_ITEM>" "LINKER:--no-whole-archive")
  set(CMAKE_CXX_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED TRUE)
endif()

# Where the include roots live.
set(DEMO_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layer_roots)

# Makes root hold exactly one link per folder, to the folder of the source tree.
function(demo_make_include_root root)
  file(MAKE_DIRECTORY ${root})
  file(GLOB existing LIST_DIRECTORIES true ${root}/*)
  foreach(entry ${existing})
    get_filename_component(folder ${entry} NAME)
    if(IS_SYMLINK ${entry} AND NOT folder IN_LIST ARGN)
      file(REMOVE ${entry})
    endif()
  endforeach()
  foreach(folder ${ARGN})
    if(NOT IS_SYMLINK ${root}/${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} RESULT result SYMBOLIC)
      if(NOT result EQUAL 0)
        set(DEMO_LAYER_LINKS_FAILED TRUE PARENT_SCOPE)
      endif()
    endif()
  endforeach()
endfunction()

function(demo_layer name)
  cmake_parse_arguments(LAYER "WHOLE" "BELOW;EXCLUDE" "FOLDERS;SOURCE_FOLDERS" ${ARGN})
  if(NOT LAYER_SOURCE_FOLDERS)
    set(LAYER_SOURCE_FOLDERS ${LAYER_FOLDERS})
  endif()
  set(sources)
  foreach(folder ${LAYER_SOURCE_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(LAYER_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${LAYER_EXCLUDE}")
  endif()
  add_library(${name} STATIC ${sources})
  target_compile_options(${name} PRIVATE ${DEMO_WARNINGS})

  set(visible ${LAYER_FOLDERS})
  if(LAYER_BELOW)
    get_target_property(below_folders ${LAYER_BELOW} DEMO_VISIBLE_FOLDERS)
    list(PREPEND visible ${below_folders})
    get_target_property(below_whole ${LAYER_BELOW} DEMO_LINK_WHOLE)
    if(below_whole)
      target_link_libraries(${name} PUBLIC "$<LINK_LIBRARY:WHOLE_ARCHIVE,${LAYER_BELOW}>")
    else()
      target_link_libraries(${name} PUBLIC ${LAYER_BELOW})
    endif()
  endif()
  set_target_properties(${name} PROPERTIES DEMO_VISIBLE_FOLDERS "${visible}" DEMO_LINK_WHOLE "${LAYER_WHOLE}")

  set(root ${DEMO_LAYER_ROOTS}/${name})
  set(DEMO_LAYER_LINKS_FAILED FALSE)
  demo_make_include_root(${root} ${visible})
  if(DEMO_LAYER_LINKS_FAILED)
    # Without links the layer sees the whole tree; layer_check still guards the system headers.
    message(WARNING "${name}: no folder links under ${root}; its includes are not limited to its layers")
    set(root ${CMAKE_SOURCE_DIR})
  endif()
  # The layers above see this root too: it holds nothing they may not see.
  target_include_directories(${name} PUBLIC ${root})
endfunction()
