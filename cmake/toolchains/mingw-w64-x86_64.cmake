# Cross-build for 64-bit Windows with Debian's MinGW-w64 compilers. Only the -posix thread model
# has std::thread and std::mutex; the plain compiler names may point to the other model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry their runtime, so Wine (and a bare Windows machine) runs them without
# the MinGW DLLs on the path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run the test executables through Wine.
find_program(TARVOLIN_WINE wine)
if(TARVOLIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOLIN_WINE})
endif()
