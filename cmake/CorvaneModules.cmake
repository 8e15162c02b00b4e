# The layers of src/ as static libraries whose include view the build
# enforces. Every module sees its own folder and the folders of the modules
# it uses (and theirs), through a directory of symbolic links in the build
# tree; an #include of any other folder fails to compile. So the arrows
# between the folders point down only, and a new upward one breaks the
# build instead of creeping in.

set(CORVANE_VIEWS_DIR ${CMAKE_BINARY_DIR}/include-views)

# Gives `target` an include directory in which exactly `folders` (folder
# names under src/) are visible.
function(corvane_include_view target)
  set(view ${CORVANE_VIEWS_DIR}/${target})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${view}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# corvane_module(<folder> [USES <folder>...] SOURCES <file>...)
# Builds src/<folder> as the static library corvane_<folder>, linked to the
# modules it uses.
function(corvane_module folder)
  cmake_parse_arguments(ARG "" "" "USES;SOURCES" ${ARGN})
  set(target corvane_${folder})
  add_library(${target} STATIC ${ARG_SOURCES})
  set(visible ${folder})
  foreach(used IN LISTS ARG_USES)
    get_property(used_visible GLOBAL PROPERTY CORVANE_VISIBLE_${used})
    if(NOT used_visible)
      message(FATAL_ERROR "module ${folder} uses ${used}, which is not defined before it")
    endif()
    list(APPEND visible ${used_visible})
    target_link_libraries(${target} PUBLIC corvane_${used})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set_property(GLOBAL PROPERTY CORVANE_VISIBLE_${folder} ${visible})
  target_link_libraries(${target} PRIVATE corvane_warnings)
  corvane_include_view(${target} ${visible})
endfunction()

# The folders `folder` may include, itself among them.
function(corvane_visible_folders folder out)
  get_property(visible GLOBAL PROPERTY CORVANE_VISIBLE_${folder})
  set(${out} ${visible} PARENT_SCOPE)
endfunction()
