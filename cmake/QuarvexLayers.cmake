# The layers check: no source under src/ includes a folder above its own,
# and only the window layer (src/platform/) includes Qt or the system's own
# headers. Every offending line is named with its file and line number.
#
#   cmake -DSOURCE_DIR=<project> -DLAYERS=platform,res,records,... -P QuarvexLayers.cmake
#
# LAYERS lists the folders of src/ lowest first (commas or semicolons); a
# file directly in src/ (the entry point) stands above them all.

if(NOT SOURCE_DIR OR NOT LAYERS)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<project> -DLAYERS=<folders, lowest first> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# Headers only the window layer may include: Qt's, and those of the
# system beneath it (POSIX, the X window system, the volume library).
set(_system_headers "Q[A-Za-z]*|Qt[A-Za-z]*/[^>]*|unistd\\.h|sys/[^>]*|dirent\\.h|pthread\\.h|iconv\\.h|fcntl\\.h|pwd\\.h|grp\\.h|dlfcn\\.h|poll\\.h|termios\\.h|spawn\\.h|X11/[^>]*|blkid/[^>]*")
set(_include "^[ \t]*#[ \t]*include[ \t]*")

# The line numbers of the lines of `file` that match `regex`, in `out`.
function(lines_matching file regex out)
  file(READ ${file} _text)
  # One list element per line; the characters a CMake list treats
  # specially would shift the count, so they go first.
  string(REPLACE ";" "," _text "${_text}")
  string(REPLACE "[" "(" _text "${_text}")
  string(REPLACE "]" ")" _text "${_text}")
  string(REPLACE "\\" "/" _text "${_text}")
  string(REPLACE "\n" ";" _lines "${_text}")
  set(_found)
  set(_number 0)
  foreach(_line IN LISTS _lines)
    math(EXPR _number "${_number} + 1")
    if(_line MATCHES "${regex}")
      list(APPEND _found "${_number}: ${_line}")
    endif()
  endforeach()
  set(${out} "${_found}" PARENT_SCOPE)
endfunction()

string(REPLACE "," ";" LAYERS "${LAYERS}")
list(LENGTH LAYERS _count)
set(_problems)
file(GLOB_RECURSE _sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
list(SORT _sources)
foreach(_source IN LISTS _sources)
  # The folder of the file and its rank.
  string(REGEX REPLACE "^src/([^/]+)/.*" "\\1" _folder "${_source}")
  if(_folder STREQUAL _source)
    set(_rank ${_count})
  else()
    list(FIND LAYERS ${_folder} _rank)
    if(_rank LESS 0)
      list(APPEND _problems "${_source}: the folder ${_folder} is none of the layers (${LAYERS})")
      continue()
    endif()
  endif()
  # The folders above it, as one alternative.
  set(_above)
  math(EXPR _first "${_rank} + 1")
  if(_first LESS _count)
    math(EXPR _last "${_count} - 1")
    foreach(_i RANGE ${_first} ${_last})
      list(GET LAYERS ${_i} _name)
      list(APPEND _above ${_name})
    endforeach()
  endif()
  # Quick look first: most files have no include to report.
  file(READ ${SOURCE_DIR}/${_source} _text)
  if(_above)
    string(REPLACE ";" "|" _above_re "${_above}")
    set(_upward "${_include}\"(${_above_re})/")
    if(_text MATCHES "(^|\n)[ \t]*#[ \t]*include[ \t]*\"(${_above_re})/")
      lines_matching(${SOURCE_DIR}/${_source} "${_upward}" _lines)
      foreach(_line IN LISTS _lines)
        list(APPEND _problems "${_source}:${_line}  (${_folder} may include only the folders below it)")
      endforeach()
    endif()
  endif()
  if(NOT _folder STREQUAL "platform" AND _text MATCHES "(^|\n)[ \t]*#[ \t]*include[ \t]*<(${_system_headers})>")
    lines_matching(${SOURCE_DIR}/${_source} "${_include}<(${_system_headers})>" _lines)
    foreach(_line IN LISTS _lines)
      list(APPEND _problems "${_source}:${_line}  (only src/platform/ calls Qt and the system)")
    endforeach()
  endif()
endforeach()

if(_problems)
  # One line each, as compilers name a place, before the verdict.
  foreach(_problem IN LISTS _problems)
    message(NOTICE "${_problem}")
  endforeach()
  list(LENGTH _problems _n)
  message(FATAL_ERROR "${_n} include(s) against the layers (docs/architecture.md)")
endif()
list(LENGTH _sources _n)
message(STATUS "layers: ${_n} sources include only the layers below their own")
