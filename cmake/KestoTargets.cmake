# How Kesto's libraries are made.
#
# Every folder of src/ is one static library that links only the libraries below it. A
# library sees the headers of exactly the libraries it links: its folder is reachable only
# through an include root of its own (build/include/TARGET/), which holds one link to the
# folder. So `#include "session/SessionDocument.h"` in a lower folder fails to compile:
# the layer rule holds by construction.

# The warnings every target of the project is built with.
function(kesto_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()

# The libraries below the window hold to stricter warnings: no implicit conversion that may
# change a value.
function(kesto_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wconversion -Wsign-conversion)
endfunction()

# kesto_layer(TARGET FOLDER [RECURSE] [INCLUDE_AS PATH] [USES TARGET...])
#
# The library TARGET of the sources in FOLDER (relative to the current source folder; with
# RECURSE its subfolders too), whose headers are included as "PATH/Name.h" (PATH is the
# folder's own name unless given).
function(kesto_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "RECURSE" "INCLUDE_AS" "USES")
  set(folder ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
  if(NOT arg_INCLUDE_AS)
    get_filename_component(arg_INCLUDE_AS ${folder} NAME)
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${arg_INCLUDE_AS} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${folder} ${root}/${arg_INCLUDE_AS} SYMBOLIC)

  if(arg_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  endif()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${arg_USES})
  kesto_warnings(${target})
endfunction()
