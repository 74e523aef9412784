# One static library per source folder; every .cpp in the folder (and its
# sub-folders) belongs to it, so adding a file needs no CMake edit.
function(quarvex_library name dir)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(_src)
    add_library(${name} STATIC ${_src})
  else()
    add_library(${name} INTERFACE)
  endif()
  set(_vis PUBLIC)
  if(NOT _src)
    set(_vis INTERFACE)
  endif()
  target_include_directories(${name} ${_vis} ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} ${_vis} ${ARGN})
endfunction()

# One GoogleTest binary per test folder, run by CTest.
function(quarvex_tests name dir)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _src)
    return()
  endif()
  quarvex_test_binary(${name} "${_src}" ${ARGN})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;QT_QPA_PLATFORM=offscreen;QUARVEX_TEST_SRC=${PROJECT_SOURCE_DIR}"
    TIMEOUT 600)
endfunction()

# A test binary from the given sources. Tests carry line tables only: a
# failure or a sanitizer report still names file and line, and the many
# GoogleTest instantiations build much faster than with full debug data.
function(quarvex_test_binary name sources)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock Threads::Threads Qt6::Test)
  target_compile_options(${name} PRIVATE $<$<CONFIG:Debug,RelWithDebInfo>:-g1>)
endfunction()
