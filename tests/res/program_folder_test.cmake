# The program folder across builds, in a build folder of its own: the first
# build lays down the defaults; what a person changed there survives the next
# build; a default deleted comes back.
#
#   cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch folder> -DGENERATOR=<generator>
#         -DMAKE_PROGRAM=<ninja or make> -P program_folder_test.cmake
set(_build ${WORK_DIR}/build)
set(_program ${_build}/program)
set(_defaults ${SOURCE_DIR}/src/res)

function(build)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${_build} --target quarvex_program_files
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "the build failed:\n${_out}")
  endif()
endfunction()

# The file holds the same bytes as the reference file.
function(expect_file path reference what)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${what}: ${path} is missing")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${path} ${reference}
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    file(READ ${path} _got)
    message(FATAL_ERROR "${what}: ${path} is not ${reference} but holds\n${_got}")
  endif()
endfunction()

function(expect_executable path)
  execute_process(COMMAND test -x ${path} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${path} is not executable")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
# The file manager's stand-in is laid down only where xdg-open exists:
# name any program as xdg-open, so the check holds on every machine.
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${_build} -G ${GENERATOR}
          -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DQUARVEX_XDG_OPEN=${CMAKE_COMMAND}
  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "configuring failed:\n${_out}")
endif()

set(_ini ${_defaults}/Quarvex.ini)
set(_explorer ${_defaults}/system/Explorer)

build()
expect_file(${_program}/Quarvex.ini ${_ini} "first build")
expect_file(${_program}/system/Explorer ${_explorer} "first build")
expect_executable(${_program}/system/Explorer)
if(NOT IS_DIRECTORY ${_program}/SendTo)
  message(FATAL_ERROR "first build: no SendTo folder in ${_program}")
endif()

# What a person does: the program saved their settings, they put a program
# into SendTo and pointed the file manager's stand-in elsewhere.
set(_mine ${WORK_DIR}/mine)
file(WRITE ${_mine}/Quarvex.ini "[Quarvex]\r\nHomeDir=T:\\my settings\r\n")
file(WRITE ${_mine}/editor "#!/bin/sh\n")
file(WRITE ${_mine}/Explorer "#!/bin/sh\nexec thunar \"$1\"\n")
file(COPY_FILE ${_mine}/Quarvex.ini ${_program}/Quarvex.ini)
file(COPY_FILE ${_mine}/editor ${_program}/SendTo/editor)
file(COPY_FILE ${_mine}/Explorer ${_program}/system/Explorer)
build()
expect_file(${_program}/Quarvex.ini ${_mine}/Quarvex.ini "rebuild after a change")
expect_file(${_program}/SendTo/editor ${_mine}/editor "rebuild after a change")
expect_file(${_program}/system/Explorer ${_mine}/Explorer "rebuild after a change")

file(REMOVE ${_program}/Quarvex.ini ${_program}/system/Explorer)
build()
expect_file(${_program}/Quarvex.ini ${_ini} "rebuild after deleting")
expect_file(${_program}/system/Explorer ${_explorer} "rebuild after deleting")
expect_executable(${_program}/system/Explorer)
expect_file(${_program}/SendTo/editor ${_mine}/editor "rebuild after deleting")

file(REMOVE_RECURSE ${WORK_DIR})
