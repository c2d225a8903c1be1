# Layering enforced by the compiler.
#
# Sources include headers by their folder under src/ ("pipeline/DMGBuilder.h"). If
# src/ itself were on the include path, every library could include every header and
# the layers would hold by convention only. Instead each library gets an include root
# of its own in the build tree, build/include/<library>/, holding one symbolic link per
# src/ folder of that library. A library therefore sees its own folders plus the roots
# of the libraries it links (they travel as usage requirements), and a header of any
# other layer is simply not found. Qt's include paths travel the same way: a library
# that does not link Qt cannot include it.
#
# The direction is written once, in the LINK lists of the top-level CMakeLists.txt;
# tests/CMakeLists.txt proves it with probes that must not compile (LayerProbes.cmake).

# vorlap_add_library(NAME DIRS dir... [EXCLUDE file...] [LINK lib...] [PRIVATE_LINK lib...])
# Every .cpp, .h and .qrc below the given folders belongs to the library; new files are
# picked up at the next build without touching this file. LINK libraries (and their
# headers) are visible to whoever links NAME; PRIVATE_LINK ones only to NAME's sources.
function(vorlap_add_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;EXCLUDE;LINK;PRIVATE_LINK" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  set(sources "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h ${CMAKE_SOURCE_DIR}/${dir}/*.qrc)
    list(APPEND sources ${found})
    get_filename_component(folder ${dir} NAME)
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${root}/${folder} SYMBOLIC)
  endforeach()
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${ex})
  endforeach()
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${root})
    target_compile_options(${name} PRIVATE ${VORLAP_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_LINK} PRIVATE ${ARG_PRIVATE_LINK})
  else()
    # Header-only so far.
    add_library(${name} INTERFACE ${sources})
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${ARG_LINK} ${ARG_PRIVATE_LINK})
  endif()
endfunction()
