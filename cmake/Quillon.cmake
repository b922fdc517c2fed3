# Helpers shared by the folders: sources are picked up by globbing, so adding a file to a
# subsystem folder needs no edit of any CMakeLists.txt.

# quillon_glob_sources(<out-var> <folder>...): every .cpp/.c/.h below the folders.
function(quillon_glob_sources out)
  set(all)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${dir}/*.cpp ${dir}/*.c ${dir}/*.h ${dir}/*.hpp)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# quillon_add_plugin(<name> SOURCES ... LIBRARIES ...): an image-loader plug-in, a shared
# object placed in the plug-in folder where the loader looks for it.
function(quillon_add_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_link_libraries(${name} PRIVATE Halvard QuillonPlatform ${P_LIBRARIES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${QUILLON_PLUGIN_OUTPUT_DIR})
  set_property(GLOBAL APPEND PROPERTY QUILLON_PLUGINS ${name})
endfunction()
