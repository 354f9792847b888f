# The core folders use the standard library only. The core target links no Qt, so a Qt
# header would already fail to compile there; this check names the offending file at
# configure time instead of leaving a long compiler error.
#
# The window's own files in those folders (the log view, the selection dialogs ...) are
# the sources of the GUI library, with their headers: `gui_sources` lists them (relative
# to src/), and those files are left out of the check.
set(KESTO_CORE_DIRS engine session log safety settings batch selection)

function(kesto_check_core_sources gui_sources)
  set(gui_files "")
  foreach(source IN LISTS gui_sources)
    get_filename_component(absolute "${source}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}/src")
    string(REGEX REPLACE "\\.cpp$" ".h" header "${absolute}")
    list(APPEND gui_files "${absolute}" "${header}")
  endforeach()
  foreach(dir IN LISTS KESTO_CORE_DIRS)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
      "${PROJECT_SOURCE_DIR}/src/${dir}/*.h" "${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp")
    foreach(source IN LISTS sources)
      if(source IN_LIST gui_files)
        continue()
      endif()
      file(STRINGS "${source}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
      if(qt_includes)
        message(FATAL_ERROR "Core source includes Qt: ${source}: ${qt_includes}")
      endif()
    endforeach()
  endforeach()
endfunction()
