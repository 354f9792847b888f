# The core folders use the standard library only. The core target links no Qt, so a Qt
# header would already fail to compile there; this check names the offending file at
# configure time instead of leaving a long compiler error.
set(KESTO_CORE_DIRS engine session log safety settings batch selection)

function(kesto_check_core_sources)
  foreach(dir IN LISTS KESTO_CORE_DIRS)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
      "${PROJECT_SOURCE_DIR}/src/${dir}/*.h" "${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp")
    foreach(source IN LISTS sources)
      if(source MATCHES "(Dlg|Dialog|View|Model|Delegate|Printer)\\.(h|cpp)$")
        continue()  # dialogs and views of these folders belong to the GUI layer
      endif()
      file(STRINGS "${source}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
      if(qt_includes)
        message(FATAL_ERROR "Core source includes Qt: ${source}: ${qt_includes}")
      endif()
    endforeach()
  endforeach()
endfunction()

kesto_check_core_sources()
