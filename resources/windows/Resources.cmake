# The Windows program's resources, made at build time from the drawings the Linux build uses:
# the icon rendered from the SVG, the glyphs and the magnifier cursor from XPM, and the
# manifest. Included from resources/CMakeLists.txt for the Win32 GUI.
tarvolin_host_tool(wingen SOURCES windows/tools/wingen.cpp)

find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rendering the program icon needs rsvg-convert (librsvg2-bin)")
endif()

set(res_dir ${CMAKE_CURRENT_BINARY_DIR}/windows)
file(MAKE_DIRECTORY ${res_dir})
set(res_files)

set(icon_svg ${CMAKE_CURRENT_SOURCE_DIR}/icon/tarvolin.svg)
set(icon_pngs)
foreach(size 16 20 24 32 40 48 64 256)
  set(png ${res_dir}/tarvolin-${size}.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
                     DEPENDS ${icon_svg}
                     VERBATIM)
  list(APPEND icon_pngs ${png})
endforeach()
add_custom_command(OUTPUT ${res_dir}/tarvolin.ico
                   COMMAND ${wingen_command} ico ${res_dir}/tarvolin.ico ${icon_pngs}
                   DEPENDS ${wingen_command} ${icon_pngs}
                   VERBATIM)
list(APPEND res_files ${res_dir}/tarvolin.ico)

foreach(xpm windows/start windows/stop windows/close report/first report/prev report/next
            report/last report/print)
  get_filename_component(name ${xpm} NAME)
  add_custom_command(OUTPUT ${res_dir}/${name}.bmp
                     COMMAND ${wingen_command} bmp ${CMAKE_CURRENT_SOURCE_DIR}/${xpm}.xpm
                             ${res_dir}/${name}.bmp
                     DEPENDS ${wingen_command} ${CMAKE_CURRENT_SOURCE_DIR}/${xpm}.xpm
                     VERBATIM)
  list(APPEND res_files ${res_dir}/${name}.bmp)
endforeach()

# The magnifier's hot spot is the centre of its lens.
add_custom_command(OUTPUT ${res_dir}/lupe.cur
                   COMMAND ${wingen_command} cur ${CMAKE_CURRENT_SOURCE_DIR}/report/lupe.xpm
                           ${res_dir}/lupe.cur 12 12
                   DEPENDS ${wingen_command} ${CMAKE_CURRENT_SOURCE_DIR}/report/lupe.xpm
                   VERBATIM)
list(APPEND res_files ${res_dir}/lupe.cur)

set(TARVOLIN_VERSION ${PROJECT_VERSION})
configure_file(windows/Tarvolin.manifest ${res_dir}/Tarvolin.manifest @ONLY)
configure_file(windows/Tarvolin.rc.in ${res_dir}/Tarvolin.rc @ONLY)
list(APPEND res_files ${res_dir}/Tarvolin.manifest)

add_custom_target(tarvolin_win_resources DEPENDS ${res_files})
target_sources(Tarvolin PRIVATE ${res_dir}/Tarvolin.rc)
set_source_files_properties(${res_dir}/Tarvolin.rc PROPERTIES OBJECT_DEPENDS "${res_files}")
add_dependencies(Tarvolin tarvolin_win_resources)

# The help document lies beside Tarvolin.exe, where the program looks for it.
set(help_source ${CMAKE_CURRENT_SOURCE_DIR}/help/Tarvolin.hlp)
set(help_target ${PROJECT_BINARY_DIR}/main/Tarvolin.hlp)
add_custom_command(OUTPUT ${help_target}
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different ${help_source} ${help_target}
                   DEPENDS ${help_source}
                   COMMENT "Copying the help document next to Tarvolin.exe")
add_custom_target(tarvolin_help ALL DEPENDS ${help_target})
add_dependencies(Tarvolin tarvolin_help)
