# The two message tables: readable lists in resources/messages, turned into STR0 blocks by a
# small host tool at build time and compiled into tarvolin_serial.
if(CMAKE_CROSSCOMPILING)
  # The tool runs on the build machine: compile it there with the build machine's compiler.
  find_program(TARVOLIN_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(str0gen ${CMAKE_CURRENT_BINARY_DIR}/str0gen-host)
  add_custom_command(
    OUTPUT ${str0gen}
    COMMAND ${TARVOLIN_HOST_CXX} -std=c++20 -O1 -o ${str0gen}
            ${CMAKE_CURRENT_LIST_DIR}/tools/str0gen.cpp
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tools/str0gen.cpp
    COMMENT "Building str0gen for the build machine"
    VERBATIM)
else()
  add_executable(str0gen ${CMAKE_CURRENT_LIST_DIR}/tools/str0gen.cpp)
  tarvolin_warnings(str0gen)
  set(str0gen str0gen)
endif()

set(str0_dir ${PROJECT_SOURCE_DIR}/resources/messages)
set(str0_tables
    "manager_strings.txt kStr0ManagerBlock ADSRMGR_STRINGS"
    "error_strings.txt kStr0ErrorBlock APRO_ERROR_STRINGS_ENGLISH")
foreach(table ${str0_tables})
  separate_arguments(table)
  list(GET table 0 list_file)
  list(GET table 1 symbol)
  list(GET table 2 resource)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/str0/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/str0
    COMMAND ${str0gen} ${str0_dir}/${list_file} ${out} ${symbol} ${resource}
    DEPENDS ${str0gen} ${str0_dir}/${list_file}
    COMMENT "Generating message table ${resource}"
    VERBATIM)
  target_sources(tarvolin_serial PRIVATE ${out})
endforeach()
