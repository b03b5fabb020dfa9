# tarvolin_host_tool(<name> SOURCES <file>...): a generator that runs during the build, so on
# the build machine. Natively it is an ordinary executable target; when cross-compiling it is
# compiled with the build machine's own compiler. Sets <name>_command to what a custom command
# runs (and depends on). Sources are relative to the calling folder or absolute, and include
# what the tool takes from the libraries: the target's libraries are not built for this machine.
function(tarvolin_host_tool name)
  cmake_parse_arguments(T "" "" "SOURCES" ${ARGN})
  list(TRANSFORM T_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ REGEX "^[^/]")
  if(CMAKE_CROSSCOMPILING)
    find_program(TARVOLIN_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(tool ${CMAKE_CURRENT_BINARY_DIR}/${name}-host)
    add_custom_command(
      OUTPUT ${tool}
      COMMAND ${TARVOLIN_HOST_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR} -o ${tool} ${T_SOURCES}
      DEPENDS ${T_SOURCES}
      COMMENT "Building ${name} for the build machine"
      VERBATIM)
    set(${name}_command ${tool} PARENT_SCOPE)
  else()
    add_executable(${name} ${T_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    tarvolin_warnings(${name})
    set(${name}_command ${name} PARENT_SCOPE)
  endif()
endfunction()
