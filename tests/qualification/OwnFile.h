// The path of the running test program, whose version block the build embeds.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <string>

inline std::string OwnFile() {
#ifdef _WIN32
  char path[MAX_PATH];
  return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
#else
  return std::filesystem::read_symlink("/proc/self/exe").string();
#endif
}
