# Warning set shared by every target of the project.
option(TARVOLIN_WERROR "Treat warnings as errors" OFF)

function(tarvolin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual -Wold-style-cast)
  if(TARVOLIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
