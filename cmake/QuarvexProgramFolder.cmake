# Lays out the program folder beside the binary (run as a script on every
# build): makes its folders and puts in each default file that is not there.
# What is there stays as it is: the program writes its settings into
# Quarvex.ini, and a person fills SendTo and may edit the rest, so a build
# must never replace them. A file deleted comes back at the next build.
#
#   cmake -DPROGRAM_DIR=<folder> -DDEFAULTS_DIR=<folder>
#         "-DFILES=Quarvex.ini;system/Explorer" "-DFOLDERS=SendTo"
#         -P QuarvexProgramFolder.cmake
foreach(_var PROGRAM_DIR DEFAULTS_DIR)
  if(NOT ${_var})
    message(FATAL_ERROR "QuarvexProgramFolder.cmake: ${_var} is not set")
  endif()
endforeach()

foreach(_folder ${FOLDERS})
  file(MAKE_DIRECTORY ${PROGRAM_DIR}/${_folder})
endforeach()

foreach(_file ${FILES})
  set(_to ${PROGRAM_DIR}/${_file})
  # A dangling link is something a person put there too.
  if(EXISTS ${_to} OR IS_SYMLINK ${_to})
    continue()
  endif()
  get_filename_component(_dir ${_to} DIRECTORY)
  file(MAKE_DIRECTORY ${_dir})
  # Whole or not at all: a build stopped half-way leaves no cut-off file
  # that the next build would then take for the person's own.
  file(COPY_FILE ${DEFAULTS_DIR}/${_file} ${_to}.new)
  file(RENAME ${_to}.new ${_to})
  message(STATUS "Program folder: laid down the default ${_file}")
endforeach()
