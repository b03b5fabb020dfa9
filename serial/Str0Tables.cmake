# The two message tables: readable lists in resources/messages, turned into STR0 blocks by a
# small host tool at build time and compiled into tarvolin_serial.
tarvolin_host_tool(str0gen SOURCES tools/str0gen.cpp)

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
    COMMAND ${str0gen_command} ${str0_dir}/${list_file} ${out} ${symbol} ${resource}
    DEPENDS ${str0gen_command} ${str0_dir}/${list_file}
    COMMENT "Generating message table ${resource}"
    VERBATIM)
  target_sources(tarvolin_serial PRIVATE ${out})
endforeach()
